0000                    ; A floating block label gets its value from the placement run: DEFINED() is 0 for it in the
0000                    ; assembly run, so the listing run must take the same branch and list the block at its address.
8000                            ORG 8000H
8001                    BLK     IN_PAGE {
8001    00                      NOP
8000                            }
8000                            IF DEFINED(BLK)
8000                            DB 1
8000                            ELSE
8000    02                      DB 2
8001                            ENDIF
8001                            IF DEFINED(BLK2)
8001                            DB 3
8001                            ENDIF
8100    05              BLK2    PAGE_ALIGNED DB 5
