; an MZ-2000 2D boot image of the whole 64 KiB: the boot record length field would read 0000h
	ORG	0
	DS	10000H
	END
