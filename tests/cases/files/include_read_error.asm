; a file whose first read fails: nothing of it, nor of this file after it, is assembled
	ORG 8000H
	DB 1
	INCLUDE /proc/self/mem
	DB 2
	END
