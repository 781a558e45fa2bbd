	REPT 1
	 REPT 1
	  REPT 1
	   REPT 1
	    REPT 1
	    DB 1
	    ENDM
	   ENDM
	  ENDM
	 ENDM
	ENDM
	ERROR "not reached"
	END
