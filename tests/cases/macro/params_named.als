0000                    ; Parameters declared on the MACRO line: each word of the body that is a parameter is replaced
0000                    ; by the call's argument, or by its =TEXT where the call leaves it out or empty. A word is a
0000                    ; name as the tokenizer reads it: not a part of a longer name or of a number, and not inside
0000                    ; quotes or the comment. %1..%9 still name the first nine, inside quotes too.
0000                    ; Before declared parameters, `PUTW MACRO reg, val=0` failed: MACROの後は行末まで何も記述できません
0100                    	ORG	100H
0100                    	PUTW	HL,1234H
0100    21 34 12        	LD	HL,1234H			; 21 34 12 / 11 00 00
0103                    	ENDM
0103                    	PUTW	DE
0103    11 00 00        	LD	DE,0			; 21 34 12 / 11 00 00
0106                    	ENDM
0106                    	PUTW	BC,			; an empty argument takes the =TEXT too: 01 00 00
0106    01 00 00        	LD	BC,0			; 21 34 12 / 11 00 00
0109                    	ENDM
0109
0005                    cntx	EQU	5
0006                    abc	EQU	6
0007                    x_x	EQU	7
0109                    	WORDS	1, 2, 3, 4
0109    01 02 03 04     	DB	1, 2, 3, 4	; 01 02 03 04
010D    05 06 07 AB     	DB	cntx, abc, x_x, 0ABH	; longer names and numbers are not words: 05 06 07 AB
0111    63 6E 74 20     	DB	"cnt ab", 'c'		; 63 6E 74 20 61 62 63
0115    61 62 63
0118    31 02           	DB	"1", 2		; 31 02
011A                    	ENDM
011A
011A                    ; Ten parameters; %1..%9 are the first nine, and an argument is not read again for names.
011A                    	TEN	0, 1, 2, 3, 4, 5, 6, 7, 8, p0	; 07 08 07 06 05 04 03 02 01 00 08 00
011A    07 08 07 06     	DB	p0, 8, 7, 6, 5, 4, 3, 2, 1, 0
011E    05 04 03 02
0122    01 00
0124    08 00           	DB	8, 0
0126                    	ENDM
0007                    p0	EQU	7
0126
0126                    ; A parameter's name is case-sensitive, as labels are: Count is no parameter of this one.
000A                    Count	EQU	10
0126                    	CASED	9
0126    09 0A           	DB	9, Count		; 09 0A
0128                    	ENDM
0128
0128                    ; Called from a scope, with a REPT in its body that repeats the replaced lines.
0128                    INNER	PROC
0128                    	FILL	2			; EE EE
0128    EE              	DB	0EEH
0129                    	ENDM
0129    EE              	DB	0EEH
012A                    	ENDM
012A                    	ENDM
012A                    	FILL	1, 0			; 00
012A    00              	DB	0
012B                    	ENDM
012B                    	ENDM
012B                    	ENDP
