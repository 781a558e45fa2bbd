	IF 1
	ELSE
	ELSE		; a second ELSE
	ENDIF
	IF 0
	ELSE
	ELIF 1		; ELIF after ELSE
	ENDIF
	IF 1
	ELIF 0
	ELSE
	ELIF 1		; ELIF after the ELSE that follows the taken branch: nothing
	ELSE
	ENDIF
	ELSE
	ELIF 1
	ENDIF
	END
