; --warn=scope: DEFINED() inside a scope of a name only an enclosing scope defines
	ORG	100H
OUTER	EQU	1
PUTC	MACRO
	ENDM
P1	PROC
INNER:	NOP
	DB	DEFINED(OUTER)	; 0 here
	DB	DEFINED(PUTC)	; a macro of the enclosing scope
	DB	DEFINED(INNER)	; 1: no warning
	DB	DEFINED(NONE)	; nowhere: no warning
	ENDP
	DB	DEFINED(OUTER)	; outside the scope: no warning
	END
