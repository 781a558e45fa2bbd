; SUB, AND, XOR, OR and CP take an optional "A,"; it is dropped with a warning.
	ORG 8000H
	SUB A,B
	AND A,(HL)
	xor a,0FFH
	OR A,(IX+1)
	CP A , IYH
	SUB A
	CP A
	AND A ; no comma: the register A itself
	OR A,A
	ADD A,B
	END
