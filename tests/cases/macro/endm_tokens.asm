; words in quotes are data; the body ends at the first line that holds a closing ENDM
	ORG 0
TEXT	MACRO
	DB "ENDM MACRO REPT"
	DB 'E'		; ENDM in a comment does not close the body
	DB "“ú–{"
	DB 1 ENDM
	DB 2
	TEXT
	END
