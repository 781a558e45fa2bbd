; --warn=unused: labels defined and never named, in the order of their lines
COUNT	EQU	3		; named by DS: used
SPARE	EQU	4		; never named
FLAG	=	0		; never named
	ORG	100H
START:	LD	B,COUNT
LOOP:	DJNZ	LOOP
	DS	COUNT
TABLE:	DB	1		; never named
PUT	MACRO			; a macro is no label
	ENDM
SUB1	PROC
VALUE:	DB	OUTSIDE		; OUTSIDE is named from inside the scope
LOCAL:	RET			; never named
	ENDP
OUTSIDE	EQU	7
@@:	NOP			; a local label is left out
	IF	DEFINED(TABLE)	; DEFINED() does not use a label
	ENDIF
	END	START
