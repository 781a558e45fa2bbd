0001                    DEBUG=1
0002                    MODEL=2
8000                    	ORG	8000H
8000    01 02           	DB	DEBUG,MODEL
