; an MZT tape of the whole 64 KiB: the size field would read 0000h
	ORG	0
	DS	10000H
	END
