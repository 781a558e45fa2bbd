; LOCAL NAME [, NAME]... on the first lines of a macro that declares its parameters (blank and
; comment lines may stand among them): each name is replaced, as a whole word, by a name of the
; expansion's own, NAME?NNNNNNN, numbered in the order the expansions run, the same in the
; assembly and the listing pass. The LOCAL lines assemble nothing and are not listed; the
; lines after them keep their line numbers.
; Before declared parameters, `COPY MACRO count` failed: MACROの後は行末まで何も記述できません;
; LOCAL in a body failed as an undefined identifier: 未定義の識別子 'LOCAL'
	ORG	100H
COPY	MACRO	count
	; the loop of one copy
	LOCAL	loop, done
	local	size			; in any letter case
	LD	B,count
loop:	LDI
	DJNZ	loop			; 10 FC
	JR	done			; 18 02
size:	DW	done-loop		; 08 00
done:
	ENDM
	COPY	3			; 06 03 ED A0 10 FC 18 02 08 00
	COPY	4			; 06 04 ED A0 10 FC 18 02 08 00
TAIL	MACRO	x
LOCAL:	DB	x			; a label LOCAL: no LOCAL line
	ENDM
	TAIL	7			; 07
	END
