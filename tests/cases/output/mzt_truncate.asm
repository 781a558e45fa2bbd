; MZT with -T: the bytes below D000h stay in the tape image, the rest go to D000.bin.
	ORG	0A000H
	DS	3000H,11H
	DS	1000H,22H
	END
