; every expansion and every repetition has a conditional state of its own
	ORG 0
PICK	MACRO
	IF %1
	DB 1
	ELSE
	DB 2
	ENDIF
	ENDM
OPEN	MACRO
	IF 0		; left open: it ends with the expansion
	DB 3
	ENDM
	PICK 1
	PICK 0
	OPEN
	DB 4
	REPT 2
	DB 5
	IF 0		; left open in each repetition
	ENDM
	IF 0
	OPEN		; an invocation in a skipped branch has no effect
	PICK 1
	ENDIF
	END
