0000                    ; Each expansion of a macro that declares its parameters has anonymous-label families of its
0000                    ; own: an @B or @F in its body reaches only the @@ and @0..@9 of that expansion, and an @B or
0000                    ; @F of the lines around it passes over the expansion. A REPT in the body, and a macro without
0000                    ; declared parameters that the body calls, count in the expansion's families, as they count
0000                    ; in the caller's elsewhere; a declared macro called from the body has families of its own.
0000                    ; Before declared parameters, `WAIT MACRO n` failed: MACROの後は行末まで何も記述できません
0000                    	ORG	0
0000    18 08           	JR	@F			; 18 08: over both expansions, to the @@ after them
0002                    	WAIT	1			; 06 01 10 FE
0002    06 01           	LD	B,1
0004    10 FE           @@:	DJNZ	@B			; 10 FE
0006                    	ENDM
0006                    	WAIT	2			; 06 02 10 FE
0006    06 02           	LD	B,2
0008    10 FE           @@:	DJNZ	@B			; 10 FE
000A                    	ENDM
000A    18 FE           @@:	JR	@B			; 18 FE
000C                    @1:	SKIP	NZ			; 20 01 00
000C    20 01           	JR	NZ,@F			; 20 01 / 28 01
000E    00              	NOP
000F                    @@:
000F                    	ENDM
000F                    	SKIP	Z			; 28 01 00
000F    28 01           	JR	Z,@F			; 20 01 / 28 01
0011    00              	NOP
0012                    @@:
0012                    	ENDM
0012    18 F8           	JR	@1B			; 18 F8: back to the @1 before the expansions
0014                    	OUTER	5
0014    05              @@:	DB	5
0015    10 FD           	DJNZ	@B			; 10 FD, 10 FE: to the last @@ before, of this expansion
0017                    @@:
0017                    	ENDM
0017    10 FE           	DJNZ	@B			; 10 FD, 10 FE: to the last @@ before, of this expansion
0019                    @@:
0019                    	ENDM
0019                    	PLAIN				; 00: its @@ is one of this expansion's
0019    00              @@:	DB	0
001A                    	ENDM
001A    18 FD           	JR	@B			; 18 FD: to the PLAIN's @@
001C                    	SKIP	C			; 38 01 00: SKIP's @F does not reach the @@ below
001C    38 01           	JR	C,@F			; 20 01 / 28 01
001E    00              	NOP
001F                    @@:
001F                    	ENDM
001F    18 FE           @@:	JR	@B			; 18 FE
0021                    	ENDM
0021    18 00           	JR	@F			; 18 00
