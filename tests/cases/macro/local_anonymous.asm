; Each expansion of a macro that declares its parameters has anonymous-label families of its
; own: an @B or @F in its body reaches only the @@ and @0..@9 of that expansion, and an @B or
; @F of the lines around it passes over the expansion. A REPT in the body, and a macro without
; declared parameters that the body calls, count in the expansion's families, as they count
; in the caller's elsewhere; a declared macro called from the body has families of its own.
; Before declared parameters, `WAIT MACRO n` failed: MACROの後は行末まで何も記述できません
	ORG	0
	JR	@F			; 18 08: over both expansions, to the @@ after them
WAIT	MACRO	n
	LD	B,n
@@:	DJNZ	@B			; 10 FE
	ENDM
	WAIT	1			; 06 01 10 FE
	WAIT	2			; 06 02 10 FE
@@:	JR	@B			; 18 FE
SKIP	MACRO	cond
	JR	cond,@F			; 20 01 / 28 01
	NOP
@@:
	ENDM
@1:	SKIP	NZ			; 20 01 00
	SKIP	Z			; 28 01 00
	JR	@1B			; 18 F8: back to the @1 before the expansions
PLAIN	MACRO
@@:	DB	0
	ENDM
OUTER	MACRO	n
@@:	DB	n
	REPT	2
	DJNZ	@B			; 10 FD, 10 FE: to the last @@ before, of this expansion
@@:
	ENDM
	PLAIN				; 00: its @@ is one of this expansion's
	JR	@B			; 18 FD: to the PLAIN's @@
	SKIP	C			; 38 01 00: SKIP's @F does not reach the @@ below
@@:	JR	@B			; 18 FE
	ENDM
	OUTER	5
	JR	@F			; 18 00
@@:	END
