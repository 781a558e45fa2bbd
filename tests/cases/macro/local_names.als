0000                    ; LOCAL NAME [, NAME]... on the first lines of a macro that declares its parameters (blank and
0000                    ; comment lines may stand among them): each name is replaced, as a whole word, by a name of the
0000                    ; expansion's own, NAME?NNNNNNN, numbered in the order the expansions run, the same in the
0000                    ; assembly and the listing pass. The LOCAL lines assemble nothing and are not listed; the
0000                    ; lines after them keep their line numbers.
0000                    ; Before declared parameters, `COPY MACRO count` failed: MACROの後は行末まで何も記述できません;
0000                    ; LOCAL in a body failed as an undefined identifier: 未定義の識別子 'LOCAL'
0100                    	ORG	100H
0100                    	COPY	3			; 06 03 ED A0 10 FC 18 02 08 00
0100    06 03           	LD	B,3
0102    ED A0           loop?0000000:	LDI
0104    10 FC           	DJNZ	loop?0000000			; 10 FC
0106    18 02           	JR	done?0000000			; 18 02
0108    08 00           size?0000000:	DW	done?0000000-loop?0000000		; 08 00
010A                    done?0000000:
010A                    	ENDM
010A                    	COPY	4			; 06 04 ED A0 10 FC 18 02 08 00
010A    06 04           	LD	B,4
010C    ED A0           loop?0000001:	LDI
010E    10 FC           	DJNZ	loop?0000001			; 10 FC
0110    18 02           	JR	done?0000001			; 18 02
0112    08 00           size?0000001:	DW	done?0000001-loop?0000001		; 08 00
0114                    done?0000001:
0114                    	ENDM
0114                    	TAIL	7			; 07
0114    07              LOCAL:	DB	7			; a label LOCAL: no LOCAL line
0115                    	ENDM
