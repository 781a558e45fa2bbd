	ORG 0
	IF LATER
	ERROR "first branch"
	ELSE
	ERROR "second branch"
	ENDIF
LATER	EQU 1
	END
