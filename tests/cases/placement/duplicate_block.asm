; A block label waiting for its address is defined all the same.
        ORG 8000H
BLK     IN_PAGE NOP
BLK     PAGE_ALIGNED NOP
BLK:    NOP
BLK     EQU 1
        END
