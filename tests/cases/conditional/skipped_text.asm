; skipped text is searched for the conditional words only
	ORG 0
	IF 0
	DB "ENDIF"	; a word in quotes does not end the branch
	DB 'ENDIF'
	; ENDIF in a comment neither, and ; IF does not nest
	IFX ENDIFS ELSEX	; longer words are ordinary words
	IF 1		; a nested conditional is skipped whole
	DB 1
	ELSE
	DB 2
	ENDIF
L1:	ENDIF		; closes the branch without defining L1
L1:	DB 3
	IF 0
	 IF 1
	 DB 4
	 ELSE
	 DB 5
	 ENDIF
	DB 6
	ELSE		; the outer ELSE still applies after the nested one
	DB 7
	ENDIF
	END
