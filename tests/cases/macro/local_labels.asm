; a macro definition does not use up anonymous label names
	ORG 0
	DW @F
LOOPED	MACRO
@@:	DB 1
	DW @B
	ENDM
@@:	DB 2
	LOOPED
	END
