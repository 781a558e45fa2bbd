; Code ending at 8010h: a PAGE_ALIGNED block of 30h bytes goes to 8100h, the image runs to
; 8130h, and the rest of the first page is reported free.
        ORG 8000H
        LD HL,BLK               ; 21 00 81
        JP BLK+2                ; C3 02 81
        DS 0AH, 0EEH
BLK     PAGE_ALIGNED DS 30H, 0AAH
        END
