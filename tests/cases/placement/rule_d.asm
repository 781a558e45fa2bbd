; IN_PAGE rule d: code ending on a page boundary leaves no page open, so the first block opens
; a new page there; a block that fits no open page opens the next one.
        ORG 8000H
        DW QC0, Q50             ; 8000-8003
        DS 0FCH, 0EEH           ; to 8100h
QC0     IN_PAGE DS 0C0H, 0C0H   ; opens page 8100h: 8100h, 40h bytes left
Q50     IN_PAGE DS 50H, 50H     ; opens page 8200h: 8200h
        END
