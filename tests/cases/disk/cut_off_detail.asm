; an existing disk 3 bytes shorter than its header says: the classic line stays,
; --errors=gnu gives both lengths
	ORG	8000H
	DB	1,2,3
	END
