; Bit numbers and relative jumps out of range, and values needed at once that come later.
	ORG 8000H
	BIT 8,A
	BIT -1,B
	SET 8,(IX+1)
	RES 100H,(HL)
	LD A,BIT 9,(IX)
	RST LATER
	IM LATER
	JR FAR
	JR NZ,$-127
	DJNZ FAR2
	JR $+130
	JR NEAR
	BIT BITS,(IX+2)
	SET BITS2,A
	JR FAR3
	JR $+129
	JR $-126
NEAR:	DS 110
FAR:	DS 5
FAR2:	DS 200
FAR3:	NOP
LATER	EQU 1
BITS	EQU 8
BITS2	EQU -1
	END
