; Operand values cut to size, parentheses that do or do not make a memory operand, spellings
; of the same operand, and several instructions on one line ($ follows each of them).
	ORG 8000H
	ADD A,(IX+200)
	ADD A,300
	LD A,(300)
	LD A,300
	LD HL,10000H
	LD (IX-129),-129
	SUB (1)+1
	LD A,((1))
	LD A,(1):(2)
	LD A,-(1)
	IN A,((0FEH))
	NOP JR $
	LD HL,$ LD DE,$
	INC A DEC A NOP
	JR $ JR $+2
	RET RET Z
	ld a , ( iy + 7 )
	LD	B	,	(	IX	-	2	)
	END
