; INCLUDE and BINCLUDE inside an ARRANGE region or a '{' block read into it.
        ORG 8000H
        DS 8, 0EEH
        ARRANGE 8000H, 1, 1
        BINCLUDE "three.dat"    ; 8000, 8002, 8004
        INCLUDE "db4.inc"       ; 8006
        END
BLK     PAGE_ALIGNED {
        INCLUDE "db4.inc"
        BINCLUDE "three.dat"
        }                       ; 8100: 04 01 02 03
        DW BLK                  ; 8008
        END
