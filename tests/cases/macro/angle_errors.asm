; A '<' that begins an argument of a macro that declares its parameters must be closed by a
; '>' on its line (a ';' outside quotes begins the comment, also between the brackets), and
; only a comma or the line end may follow the '>'. A macro without declared parameters splits
; its arguments as before, at every comma, '<' and quotes being text like any other.
; Before declared parameters, `INSN MACRO bytes` failed: MACROの後は行末まで何も記述できません
	ORG	0
INSN	MACRO	bytes
	DB	bytes
	ENDM
	INSN	<0EDH,042H		; no '>'
	INSN	<1;2>			; the comment begins before the '>'
	INSN	<1,2>3			; something other than a comma follows the '>'
	INSN	<"'>"			; the '>' is in quotes
OLD	MACRO
	DB	%2
	ENDM
	OLD	<1,2>			; %2 is "2>": a syntax error, as before
	END
