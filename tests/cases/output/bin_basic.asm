; Raw binary: the image bytes from the first ORG address, nothing else.
	ORG	8000H
START:	LD	A,12H
	LD	(DATA),A
	RET
DATA:	DB	1,2,3,"AB"
	DW	START,1234H
	END
