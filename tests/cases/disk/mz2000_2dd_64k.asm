; the same on a 2DD disk
	ORG	0
	DS	10000H
	END
