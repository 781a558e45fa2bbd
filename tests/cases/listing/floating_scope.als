0000                    ; A floating block with '{': its labels are local to it, '$' and its labels take the placed
0000                    ; address, and references go into it (a '::' label, the block label) and out of it.
8000                            ORG 8000H
8000    CD 0E 80                CALL ENTRY              ; CD 0E 80
8003    21 0D 80                LD HL,BLK               ; 21 0D 80
8006    00 00 00                DS 3
800D                    BLK     IN_PAGE {               ; placed behind the code, at 800Dh
800D    00                      NOP
800E    06 03           ENTRY:: LD B,3                  ; 800E
8010    10 FE           LOOP:   DJNZ LOOP               ; 10 FE
8012    18 FE                   JR $                    ; 18 FE
8014    21 14 80                LD HL,$                 ; 21 14 80
8017    3A 21 80                LD A,(DATA)             ; 3A 21 80
801A    C3 09 80                JP OUTSIDE              ; C3 09 80
801D                    SUBR    PROC                    ; a PROC label in the block: 801Dh
801D    C9                      RET
801E                            ENDP                    ; ends SUBR's scope, not the block
801E    CD 1D 80                CALL SUBR               ; CD 1D 80
8021    AA              DATA:   DB 0AAH                 ; 8021h
8009                            }
8009    0E 80 0D 80     OUTSIDE: DW ENTRY, BLK          ; 8009
