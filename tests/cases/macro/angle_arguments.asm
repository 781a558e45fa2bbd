; Arguments of a macro that declares its parameters: commas separate them outside quotes, so a
; text in quotes is passed whole, its commas and ';' included; an argument that begins with '<'
; is the text up to the next '>' outside quotes, passed whole without the brackets, commas
; included. The blanks around an argument are left out; a ';' outside quotes and brackets
; begins the comment. AF' is a register, no quote.
; Before declared parameters, `INSN MACRO bytes, tail` failed: MACROの後は行末まで何も記述できません
	ORG	0
INSN	MACRO	bytes, tail=0
	DB	bytes, tail
	ENDM
	INSN	<0EDH,042H>, 5		; ED 42 05
	INSN	<0DDH, 0CBH, 1, 46H>	; DD CB 01 46 00
	INSN	<"a>b", '>'>		; 61 3E 62 3E 00: a '>' in quotes does not close
	INSN	<1<2>, 7		; 01 07: '<' inside does not open another
	INSN	"x,y;z", 1		; 78 2C 79 3B 7A 01
	INSN	1 + 2 ,3 ; 4, 5		; 03 03
	INSN	9, <>			; an empty <> is an empty argument, which takes the =TEXT: 09 00
SWAP	MACRO	first, second
	EX	first, second		; 08
	ENDM
	SWAP	AF, AF'			; the quote of AF' opens no text: 08
	END
