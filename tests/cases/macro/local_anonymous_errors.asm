; The anonymous labels of an expansion of a macro that declares its parameters are out of reach
; of the lines around it, and the labels around it out of reach of the body: each reference
; below names no label, and is reported as unresolved.
; Before declared parameters, `BACK MACRO x` failed: MACROの後は行末まで何も記述できません
	ORG	0
@@:	NOP				; an @@ before the expansion
BACK	MACRO	x
	JR	@B			; the body's first @@ is below
@@:	DB	x
	ENDM
	BACK	1
	JR	@2F			; the only @2 after this line is in a body
AHEAD	MACRO	x
@2:	DB	x
	JR	@F			; the body has no @@ after this
	ENDM
	AHEAD	2
	END
