; Operand lists that stop where a comma is due.
	ORG 8000H
	ADD A
	ADC A B
	ADD HL
	SBC HL BC
	LD A
	LD B 5
	LD IXH
	LD (IX+1) 5
	LD (HL)
	LD HL 1
	LD (1234H) A
	LD I A
	LD (BC)
	EX AF
	EX (SP)
	JP NZ 1234H
	CALL C
	JR Z 0
	BIT 3 A
	SET 1
	LD A,BIT 0 (IX)
	IN A (C)
	OUT (C) A
	OUT (0FEH)
	END
