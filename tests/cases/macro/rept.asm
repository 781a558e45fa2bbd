	ORG 0
	REPT 3
	DB 1
	ENDM
	REPT 0		; captured, never replayed
	DB 2
	ENDM
	REPT -1		; a negative count repeats nothing either
	DB 3
	ENDM
	REPT 2		; and leaves later blocks unaffected
	DB 4
	ENDM
	REPT 2		; three levels of REPT inside a body
	 REPT 2
	  REPT 2
	   REPT 2
	   DB 5
	   ENDM
	  ENDM
	 ENDM
	ENDM
N	=	3
	REPT N*2
	DB 7
	ENDM
	REPT 2
	DB 8 ENDM	; every word counts: this line closes the body
	END
