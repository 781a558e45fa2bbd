; IF and ELSE pick one branch; a nested conditional gives the outer state back
	ORG 0
	IF 1
	DB 1
	ELSE
	DB 2
	ENDIF
	IF 0
	DB 3
	ELSE
	DB 4
	ENDIF
	if 2 > 1
	  if 0
	  db 5
	  else
	  db 6
	  endif
	  db 7
	else
	  db 8
	endif
	IF 0
	DB 9
	ELSE DB 10	; the rest of an ELSE line belongs to the ELSE branch
	ENDIF
	IF 1
	DB 11
	ELSE DB 12
	ENDIF
	END
