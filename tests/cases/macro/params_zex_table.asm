; The test-vector tables of the Z80 instruction exercisers (zexdoc/zexall, by Frank Cringle,
; GPL) in miniature: their two macros as the exercisers write them, ten parameters with
; <...> instruction bytes and LOCAL labels, and entries of the tables' form. The expected
; bytes are those GNU as (z80-unknown-coff-as, .altmacro) makes of params_zex_table.s, the
; same tables in its syntax.
; Written differently from the exercisers: strings in "..." (a '...' here is a character
; constant), != and >= for NE and GE, ERROR "..." for ERROR '...'. The parameters named
; after registers (iy, ix, hl, de, bc, sp) and the condition M (m) keep their names.
; Before declared parameters, `tstr MACRO insn,...` failed: MACROの後は行末まで何も記述できません

; Macro to define a test vector
tstr	macro	insn,memop,iy,ix,hl,de,bc,flags,acc,sp
	local	lab
lab:	db	insn
	ds	lab+4-$,0
	dw	memop,iy,ix,hl,de,bc
	db	flags
	db	acc
	dw	sp
	if	$-lab != 20
	error	"missing parameter"
	endif
	endm

tmsg	macro	m
	local	lab
lab:	db	m
	if	$ >= lab+30
	error	"message too long"
	else
	ds	lab+30-$,'.'
	endif
	db	'$'
	endm

	org	100h

; <adc,sbc> hl,<bc,de,hl,sp>
adc16:	db	0ffh		; flag mask
	tstr	<0edh,042h>,0832ch,04f88h,0f22bh,0b339h,07e1fh,01563h,0d3h,089h,0465eh
	tstr	<0,038h>,0,0,0,0f821h,0,0,0,0,0
	tstr	0,0,0,0,-1,-1,-1,0d7h,0,-1
	tmsg	"<adc,sbc> hl,<bc,de,hl,sp>"

; add hl,<bc,de,hl,sp>
add16:	db	0ffh		; flag mask
	tstr	9,0c4a5h,0c4c7h,0d226h,0a050h,058eah,08566h,0c6h,0deh,09bc9h
	tstr	030h,0,0,0,0f821h,0,0,0,0,0
	tstr	0,0,0,0,-1,-1,-1,0d7h,0,-1
	tmsg	"add hl,<bc,de,hl,sp>........"

; bit n,(<ix,iy>+1): four instruction bytes
bitx:	db	053h		; flag mask
	tstr	<0ddh,0cbh,1,046h>,02075h,adc16,add16,03cfch,0a79ah,03d74h,051h,027h,0ca14h
	tstr	<020h,0,0,038h>,0,0,0,0,0,0,053h,0,0
	tstr	0,0ffh,0,0,0,0,0,0,0,0
	tmsg	"bit n,(<ix,iy>+1)"
	end
