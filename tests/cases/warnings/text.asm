; --warn=text: a character constant longer than the bytes stored
	ORG	100H
	DB	'A','HELLO',0	; only 4FH of HELLO is stored
	LD	A,'AB'
	DW	'AB'		; two bytes in a word: no warning
	DW	'ABC'
	LD	HL,'‚ '	; a Shift-JIS character in a word: no warning
X	EQU	'ABCDE'	; nothing is stored: no warning
	DB	"HELLO"		; a string: no warning
	END
