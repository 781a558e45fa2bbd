; Combinations the Z80 has no instruction for: index halves with a memory operand, CB-group
; operations on index halves, and result-register CB forms on anything but (IX+d)/(IY+d).
	ORG 8000H
	LD IXH,(HL)
	LD IXL,(IX+1)
	LD IYH,(IX-1)
	LD (IX+1),IXL
	LD (HL),IYH
	LD (IY),IYL
	RLC IXH
	SLL IYL
	SRL IXL
	BIT 0,IXH
	SET 1,IYL
	RES 7,IXL
	LD A,RLC (HL)
	LD B,RES 1,C
	LD C,SET 2,(HL)
	LD A,SLL IXL
	LD D,BIT 3,IYH
	LD IXH,5
	LD B,(IX+1)
	LD (IY+2),C
	LD A,SET 1,(IX)
	END
