; IN_PAGE rule a: a block goes to the first page whose free tail it fills exactly, even before
; the last page that has more room.
        ORG 8000H
        DW Q40, Q80             ; 8000-8003
        DS 0BCH, 0EEH           ; to 80C0h: 40h bytes left in page 8000h
PG      PAGE_ALIGNED DS 180H, 0AAH      ; 8100h-827Fh: 80h bytes left in page 8200h
Q40     IN_PAGE DS 40H, 40H     ; fills page 8000h exactly: 80C0h
Q80     IN_PAGE DS 80H, 80H     ; placed first (larger); fills page 8200h exactly: 8280h
        END
