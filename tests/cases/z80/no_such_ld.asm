; Index-register halves meet H, L or the other index register's halves.
	ORG 8000H
	LD IXH,IYL
	LD H,IXL
	LD IXL,H
	LD IYH,L
	LD L,IYL
	LD IYL,IXH
	LD H,IYH
	LD IXH,IXH
	LD IYL,IYH
	LD H,L
	END
