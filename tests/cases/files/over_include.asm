; the output would replace the file this one includes
	ORG 8000H
	INCLUDE included.inc
	RET
	END
