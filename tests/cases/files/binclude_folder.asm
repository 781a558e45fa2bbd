; a folder is a file that cannot be opened
	ORG 8000H
	DB 1
	BINCLUDE "."
	DB 2
	END
