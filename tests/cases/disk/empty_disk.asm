; an existing disk file of 0 bytes
	ORG	8000H
	DB	1,2,3
	END
