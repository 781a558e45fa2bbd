; PC-8001/8801 tapes of a 4-byte program at 9000h: the monitor's records as a CMT file, and
; the T88 image named by its file, hello.t88 giving the name block "$$$HELLO ".
	ORG	9000H
	LD	A,41H
	INC	A
	RET
	END
