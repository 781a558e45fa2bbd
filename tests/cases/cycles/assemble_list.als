0000                            ; --cycles adds the T-states of each instruction to the assemble list, between the bytes and the
0000                            ; text, which moves to column 32. A conditional jump, call or return shows taken/not taken, a
0000                            ; repeating block instruction repeating/last; a line of several instructions shows their sums;
0000                            ; lines without an instruction show an empty column. Before, the option failed:
0000                            ;   Illegal option: --cycles                (exit status 255)
C000                            BUFFER  EQU     0C000H
0010                            COUNT   =       16
8000                                    ORG     8000H
8000    31 00 FF     10         START:  LD      SP,0FF00H
8003    21 00 C0     10                 LD      HL,BUFFER
8006    06 10         7                 LD      B,COUNT
8008    77            7         FILL:   LD      (HL),A          ; a loop of DJNZ
8009    23            6                 INC     HL
800A    10 FC        13/8               DJNZ    FILL
800C    FE 0A         7                 CP      10
800E    30 0C        12/7               JR      NC,DONE         ; JR cc, JR
8010    18 EE        12                 JR      START
8012    CC 84 80     17/10              CALL    Z,WAIT          ; CALL cc, CALL
8015    CD 84 80     17                 CALL    WAIT
8018    EA 00 80     10/10              JP      PE,START        ; JP cc takes 10 either way
801B    E9            4                 JP      (HL)
801C    C0           11/5       DONE:   RET     NZ              ; RET cc, RET, RETI, RETN
801D    C9           10                 RET
801E    ED 4D        14                 RETI
8020    ED 45        14                 RETN
8022    21 00 C0     10         COPY:   LD      HL,BUFFER
8025    11 01 C0     10                 LD      DE,BUFFER+1
8028    01 0F 00     10                 LD      BC,COUNT-1
802B    ED B0        21/16              LDIR                    ; the block repeats
802D    ED B8        21/16              LDDR
802F    ED B1        21/16              CPIR
8031    ED B9        21/16              CPDR
8033    ED B2        21/16              INIR
8035    ED BA        21/16              INDR
8037    ED B3        21/16              OTIR
8039    ED BB        21/16              OTDR
803B    ED A0        16                 LDI                     ; and the single steps
803D    ED A9        16                 CPD
803F    DD 21 00 C0  14         INDEX:  LD      IX,BUFFER       ; indexed by IX and IY
8043    DD 7E 03     19                 LD      A,(IX+3)
8046    FD 77 FF     19                 LD      (IY-1),A
8049    DD 36 02 55  19                 LD      (IX+2),55H
804D    FD 34 00     23                 INC     (IY+0)
8050    DD 19        15                 ADD     IX,DE
8052    FD E3        23                 EX      (SP),IY
8054    DD E9         8                 JP      (IX)
8056    DD 26 05     11                 LD      IXH,5           ; the index halves
8059    FD 85         8                 ADD     A,IYL
805B    CB 7E        12         BITS:   BIT     7,(HL)          ; CB forms
805D    CB C0         8                 SET     0,B
805F    CB 06        15                 RLC     (HL)
8061    CB 31         8                 SLL     C
8063    DD CB 04 5E  20                 BIT     3,(IX+4)        ; DD CB d op, FD CB d op
8067    FD CB FD 8E  23                 RES     1,(IY-3)
806B    DD CB 03 07  23                 LD      A,RLC (IX+3)
806F                            EXTENDED:
806F    ED 52        15                 SBC     HL,DE           ; ED forms
8071    ED 53 00 C0  20                 LD      (BUFFER),DE
8075    ED 5E         8                 IM      2
8077    ED 44         8                 NEG
8079    ED 70        12                 IN      F,(C)
807B    ED 71        12                 OUT     (C),0
807D    ED 6F        18                 RLD
807F    00 00 76     12                 NOP NOP HALT            ; three on one line: 4+4+4
8082    C8 C8        22/10              RET Z RET Z             ; two of two paths: 11+11/5+5
8084                            WAIT    PROC                    ; a label alone, a comment, data: no count
8084                            ; a comment line
8084    01 02 03                        DB      1,2,3
8087    00 80                           DW      START
8089    00 00                           DS      2
808B    00                              ALIGN   4
808C                                    ENDP
808C                                    DELAY   10              ; each instruction of the expansion has its count
808C    06 0A         7                 LD      B,10
808E    10 FE        13/8       @@:     DJNZ    @B
8090                                    ENDM
8090    F5           11                 PUSH    AF
8091                                    ENDM
8091    F5           11                 PUSH    AF
8092                                    ENDM
0000                                    OFFSET  0
0000                            FIELD:  LD      A,1             ; in an OFFSET section nothing is stored, nothing counted
8092                                    END
8092    DD 7E 00     19                 LD      A,(IX+FIELD)    ; a line long enough to be cut at 255 characters, after the column: 012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012
