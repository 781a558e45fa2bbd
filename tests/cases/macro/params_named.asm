; Parameters declared on the MACRO line: each word of the body that is a parameter is replaced
; by the call's argument, or by its =TEXT where the call leaves it out or empty. A word is a
; name as the tokenizer reads it: not a part of a longer name or of a number, and not inside
; quotes or the comment. %1..%9 still name the first nine, inside quotes too.
; Before declared parameters, `PUTW MACRO reg, val=0` failed: MACROの後は行末まで何も記述できません
	ORG	100H
PUTW	MACRO	reg, val=0		; reg and val in a comment stay
	LD	reg,val			; 21 34 12 / 11 00 00
	ENDM
	PUTW	HL,1234H
	PUTW	DE
	PUTW	BC,			; an empty argument takes the =TEXT too: 01 00 00

WORDS	MACRO	cnt, ab, _x, cntH
	DB	cnt, ab, _x, cntH	; 01 02 03 04
	DB	cntx, abc, x_x, 0ABH	; longer names and numbers are not words: 05 06 07 AB
	DB	"cnt ab", 'c'		; 63 6E 74 20 61 62 63
	DB	"%1", %2		; 31 02
	ENDM
cntx	EQU	5
abc	EQU	6
x_x	EQU	7
	WORDS	1, 2, 3, 4

; Ten parameters; %1..%9 are the first nine, and an argument is not read again for names.
TEN	MACRO	p0, p1, p2, p3, p4, p5, p6, p7, p8, p9
	DB	p9, p8, p7, p6, p5, p4, p3, p2, p1, p0
	DB	%9, %1
	ENDM
	TEN	0, 1, 2, 3, 4, 5, 6, 7, 8, p0	; 07 08 07 06 05 04 03 02 01 00 08 00
p0	EQU	7

; A parameter's name is case-sensitive, as labels are: Count is no parameter of this one.
CASED	MACRO	count
	DB	count, Count		; 09 0A
	ENDM
Count	EQU	10
	CASED	9

; Called from a scope, with a REPT in its body that repeats the replaced lines.
FILL	MACRO	n, byte=0EEH
	REPT	n
	DB	byte
	ENDM
	ENDM
INNER	PROC
	FILL	2			; EE EE
	FILL	1, 0			; 00
	ENDP
	END
