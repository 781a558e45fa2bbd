; A parameter may bear the name of a register or a condition, as sources write `hl` or `m`:
; inside the body that word, in the letter case of its declaration, stands for the argument;
; in another case, or as part of "(hl)" or "(IX+n)", it stays the register. A LOCAL name
; cannot be a register's, since it becomes a label.
; Before declared parameters, `PUTW MACRO hl, m` failed: MACROの後は行末まで何も記述できません
	ORG	0
PUTW	MACRO	hl, m
	DW	hl			; the argument
	LD	HL,hl			; the register, then the argument
	LD	A,(hl)			; "(hl)" is the register
	JP	M,m			; the condition, then the argument
	ENDM
	PUTW	1234H, 0
	END
