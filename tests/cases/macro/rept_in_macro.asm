; a REPT inside a macro body sees the macro's arguments
	ORG 0
FILL	MACRO
	REPT %1
	DB %2
	ENDM
	DB 0FFH
	ENDM
	FILL 3,7
	FILL 0,8
	FILL 2, 9
	END
