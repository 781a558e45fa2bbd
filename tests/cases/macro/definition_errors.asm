	ORG 0
TAKEN:	DB 0
TAKEN	MACRO
	DB 1
	ENDM
OTHER	MACRO junk junk
	DB 2
	ENDM
	REPT 2 junk
	DB 3
	ENDM
	REPT LATER
	DB 4
	ENDM
	REPT 2		; earlier failed REPT lines leave nothing behind
	DB 5
	ENDM
LATER	EQU 1
	END
