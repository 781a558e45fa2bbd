; Faults of declared parameters. At the MACRO line: a keyword, a local label form, a name
; declared twice, a malformed list; the body is passed over all the same, and a call of such a
; macro fails. At a call: an argument missing or empty where the parameter has no =TEXT, or
; more arguments than parameters.
; Before declared parameters, each MACRO line with a list failed: MACROの後は行末まで何も記述できません
	ORG	0
KEY	MACRO	ld, val			; an instruction is a keyword
	DB	val
	ENDM
COND	MACRO	x, org			; so is a directive
	ENDM
ANON	MACRO	@@
	ENDM
TWICE	MACRO	x, y, x
	ENDM
NOCOMMA	MACRO	x y
	ENDM
TRAIL	MACRO	x,
	ENDM
NUMBER	MACRO	x, 1
	ENDM
OPEN	MACRO	x=<1,2
	ENDM
	KEY	1, 2			; the macro is broken: the call fails
	DB	1			; the body above was not assembled: this is the first byte
PAIR	MACRO	first, second, third=3
	DB	first, second, third
	ENDM
	PAIR	1, 2			; 01 02 03
	PAIR	1			; second is missing
	PAIR	1, , 3			; ... or empty
	PAIR	, 2			; so is first
	PAIR	1, 2, 3, 4		; one too many
	PAIR	1, 2, 3,		; the trailing comma gives a fourth, empty argument
	PAIR				; no argument at all
	END
