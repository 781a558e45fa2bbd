; Faults of LOCAL lines: a name that is a keyword, declared twice (also as a parameter), too long
; for the number the expansion adds, or a malformed list. Each is reported at its line, the
; body is passed over, and a call of the macro fails. LOCAL elsewhere keeps its meaning of
; before: after the first lines of a body, or in a macro without declared parameters, it is
; an undefined identifier.
; Before declared parameters, `ONE MACRO x` failed: MACROの後は行末まで何も記述できません
	ORG	0
ONE	MACRO	x
	LOCAL	y, hl
	LOCAL	y
	LOCAL	x
	LOCAL	abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghij
	LOCAL	p1 p2
	LOCAL
	ENDM
	ONE	1
LATE	MACRO	x
	DB	x
	LOCAL	y			; a LOCAL after the first lines
	ENDM
	LATE	2
OLD	MACRO
	LOCAL	y			; a macro without declared parameters
	ENDM
	OLD
	END
