# The tables of params_zex_table.asm in the syntax of GNU as for the Z80, whose bytes are the
# expected params_zex_table.bin: z80-unknown-coff-as -o t.o params_zex_table.s &&
# z80-unknown-coff-objcopy -O binary t.o params_zex_table.bin
	.altmacro
	.macro	tstr insn,memop,iy,ix,hl,de,bc,flags,acc,sp
	LOCAL	lab
lab:	.byte	insn
	.space	lab+4-., 0
	.word	memop,iy,ix,hl,de,bc
	.byte	flags
	.byte	acc
	.word	sp
	.if	.-lab != 20
	.error	"missing parameter"
	.endif
	.endm

	.macro	tmsg m
	LOCAL	lab
lab:	.ascii	m
	.space	lab+30-., 0x2e
	.byte	0x24
	.endm

	.org	0
adc16:	.byte	0xff
	tstr	<0xed,0x42>,0x832c,0x4f88,0xf22b,0xb339,0x7e1f,0x1563,0xd3,0x89,0x465e
	tstr	<0,0x38>,0,0,0,0xf821,0,0,0,0,0
	tstr	0,0,0,0,-1,-1,-1,0xd7,0,-1
	tmsg	"<adc,sbc> hl,<bc,de,hl,sp>"

add16:	.byte	0xff
	tstr	9,0xc4a5,0xc4c7,0xd226,0xa050,0x58ea,0x8566,0xc6,0xde,0x9bc9
	tstr	0x30,0,0,0,0xf821,0,0,0,0,0
	tstr	0,0,0,0,-1,-1,-1,0xd7,0,-1
	tmsg	"add hl,<bc,de,hl,sp>........"

bitx:	.byte	0x53
	tstr	<0xdd,0xcb,1,0x46>,0x2075,adc16+0x100,add16+0x100,0x3cfc,0xa79a,0x3d74,0x51,0x27,0xca14
	tstr	<0x20,0,0,0x38>,0,0,0,0,0,0,0x53,0,0
	tstr	0,0xff,0,0,0,0,0,0,0,0
	tmsg	"bit n,(<ix,iy>+1)"
