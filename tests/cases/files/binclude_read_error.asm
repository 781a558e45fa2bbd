; a file whose first read fails
	ORG 8000H
	DB 1
	BINCLUDE /proc/self/mem
	DB 2
	END
