; MZT with -T and a load address above D000h: an empty tape image, all bytes in D000.bin.
	ORG	0E000H
	DB	1,2,3,4
	END	0E000H
