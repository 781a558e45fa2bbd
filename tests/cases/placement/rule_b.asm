; IN_PAGE rule b: without an exact fit, a block goes to the page before the last with the most
; room (more than it needs), the first such page on a tie.
        ORG 8000H
        DW Q20, Q10, Q08        ; 8000-8005
        DS 0CAH, 0EEH           ; to 80D0h: 30h bytes left in page 8000h
X       PAGE_ALIGNED DS 1C0H, 0AAH      ; 8100h-82BFh: 40h bytes left in page 8200h
Y       PAGE_ALIGNED DS 80H, 0BBH       ; 8300h-837Fh, the last page
Q20     IN_PAGE DS 20H, 20H     ; page 8200h (40h > 30h): 82C0h
Q10     IN_PAGE DS 10H, 10H     ; page 8000h (30h > 20h): 80D0h
Q08     IN_PAGE DS 8, 8         ; both pages have 20h: the first, 80E0h
        END
