; A word whose placeholder an ARRANGE gap splits in two is warned about once, for its whole
; value.
        ORG     100H
        DS      6
        ARRANGE 100H, 1, 1
        DW      LATER*2         ; 12000h: warning; 00 at 100h, 20 at 102h
        END
LATER   EQU     9000H
        END
