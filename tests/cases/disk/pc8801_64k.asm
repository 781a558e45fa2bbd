; a PC-8801 image of the whole 64 KiB: the loader length field would read 0000h
	ORG	0
	DS	10000H
	END
