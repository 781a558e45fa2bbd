; Intel HEX: a record is split at 10000h and an extended linear address record comes first.
	ORG	0FFF8H
	DS	24,0A5H
	END
