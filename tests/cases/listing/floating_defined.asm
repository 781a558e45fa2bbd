; A floating block label gets its value from the placement run: DEFINED() is 0 for it in the
; assembly run, so the listing run must take the same branch and list the block at its address.
        ORG 8000H
BLK     IN_PAGE {
        NOP
        }
        IF DEFINED(BLK)
        DB 1
        ELSE
        DB 2
        ENDIF
        IF DEFINED(BLK2)
        DB 3
        ENDIF
BLK2    PAGE_ALIGNED DB 5
        END
