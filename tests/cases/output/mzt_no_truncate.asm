; MZT without -T: the whole image stays in the tape image even past D000h.
	ORG	0A000H
	DS	3000H,11H
	DS	1000H,22H
	END
