; IN_PAGE rule c: when no page before the last has room, the block goes to the last page.
        ORG 8000H
        DW Q20                  ; 8000-8001
        DS 0EEH, 0EEH           ; to 80F0h: 10h bytes left in page 8000h
PG      PAGE_ALIGNED DS 40H, 0AAH       ; 8100h-813Fh
Q20     IN_PAGE DS 20H, 20H     ; 8140h
        END
