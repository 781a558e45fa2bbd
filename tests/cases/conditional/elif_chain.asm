; only the first true branch of a chain is assembled; one ELSE may follow any ELIF
	ORG 0
	IF 0
	DB 1
	ELIF 1
	DB 2
	ELIF 1
	DB 3
	ELSE
	DB 4
	ENDIF
	IF 1
	DB 5
	ELIF 1
	DB 6
	ELSE
	DB 7
	ENDIF
	IF 0
	DB 8
	ELSIF 0
	DB 9
	ELSEIF 0
	DB 10
	ELSE
	DB 11
	ENDIF
	IF 1
	DB 12
	ELIF 1
	DB 13
	ELIF 0
	DB 14
	ENDIF
	END
