; the bytes from D000h on would go to D000.bin, the file copied in here
	ORG 0CFF0H
	DS 16
	BINCLUDE D000.bin
	END
