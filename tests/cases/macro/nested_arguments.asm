; Arguments of nested expansions and of a REPT inside an expansion: each expansion
; sees its own arguments, before and after the inner ones have come and gone.
INNER	MACRO
	DB %1
	ENDM
OUTER	MACRO
	DB %1
	INNER %2
	REPT 2
	DB %3
	INNER %1+1
	ENDM
	DB %2+%3
	ENDM
	ORG 8000H
	OUTER 1, 20H, 30H
	OUTER 2, 40H, 50H
	INNER 7
	END
