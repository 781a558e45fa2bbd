	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1		; the tenth level fails and is skipped whole
	ERROR "skipped"
	ELSE
	ERROR "skipped too"
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 1
	IF 0
	IF 1		; met in skipped text at the tenth level: fails, opens nothing
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	ENDIF
	END
