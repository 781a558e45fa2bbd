	IF 0
	DB 1
NAME	MACRO		; nothing in a skipped branch has an effect
	REPT 3
	INCLUDE "missing.inc"
	ENDIF
	ERROR "line seven"
	END
