	ORG 0
TWICE	MACRO
	DB %1,%1
	ENDM
	REPT 2
	DB 1
	ENDM
	IF 0
	DB 2
	ENDIF
	TWICE 3
	ERROR "twelve"
	REPT 3
	DB 4
	IF $ >= 7	; only the third repetition fails, on body line 3
	ERROR "third"
	ENDIF
	ENDM
	ERROR "read on"	; a failed REPT counts one error; the file goes on
	END
