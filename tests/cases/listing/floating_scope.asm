; A floating block with '{': its labels are local to it, '$' and its labels take the placed
; address, and references go into it (a '::' label, the block label) and out of it.
        ORG 8000H
        CALL ENTRY              ; CD 0E 80
        LD HL,BLK               ; 21 0D 80
        DS 3
BLK     IN_PAGE {               ; placed behind the code, at 800Dh
        NOP
ENTRY:: LD B,3                  ; 800E
LOOP:   DJNZ LOOP               ; 10 FE
        JR $                    ; 18 FE
        LD HL,$                 ; 21 14 80
        LD A,(DATA)             ; 3A 21 80
        JP OUTSIDE              ; C3 09 80
SUBR    PROC                    ; a PROC label in the block: 801Dh
        RET
        ENDP                    ; ends SUBR's scope, not the block
        CALL SUBR               ; CD 1D 80
DATA:   DB 0AAH                 ; 8021h
        }
OUTSIDE: DW ENTRY, BLK          ; 8009
        END
