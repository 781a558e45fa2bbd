; Where an operand is read as an expression and fails there, the evaluator's message stands.
	ORG 8000H
	JP (IX+0)
	JP
	CALL (DE)
	JR PO,TARGET
	DJNZ
	LD SP,BC
	LD HL,(12
	LD BC,'AB
	LD A,(IX+)
	LD (IY+*),1
	INC (IX+)
	LD B,(IY-)
	OUT (1+,A
	IN A,(+)
	IN A,(HL)
	BIT X+,A
	RST
	IM (
TARGET:	NOP
	END
