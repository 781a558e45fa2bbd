; Operands an instruction does not take: each line fails with the invalid-operand message.
	ORG 8000H
	ADD B
	ADD IX,HL
	ADD HL,IX
	ADD IX,IY
	ADD SP,BC
	ADC IX,BC
	SBC A,I
	ADD A,(IX+5
	ADD A,(IX+)
	CP A,R
	INC AF
	DEC I
	LD (HL),(HL)
	LD (IX+1),(HL)
	LD (IY),(IX+2)
	LD (BC),B
	LD (DE),(HL)
	LD I,B
	LD R,5
	LD (1234H),B
	LD 1234H,A
	LD AF,1
	LD A,(C)
	LD A,(IX+5
	LD (IX+1),RLC (IY+2)
	LD (HL),SET 1,(IX+1)
	LD A,RLC B
	LD B,BIT 0,(HL)
	RLC 5
	RLC (IX+1
	SRL (IY+)
	SLL I
	BIT 0,(IX+1
	PUSH SP
	POP 1
	EX HL,DE
	EX AF,BC
	EX (SP),DE
	EX BC,HL
	RST 3
	RST 40H
	RST -8
	IM 3
	IM -1
	IN B,(0FEH)
	IN IXH,(C)
	IN (IX+1),(C)
	IN A,0FEH
	OUT (C),(HL)
	OUT (C),1
	OUT (C),IXL
	OUT (0FEH),B
	OUT 0FEH,A
	OUT (1)+1,A
	TSTI A
	END
