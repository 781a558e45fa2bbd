; Code ending at 80C0h with IN_PAGE blocks of 16 and 32 bytes: the larger goes first, to 80C0h,
; the smaller to 80E0h; the image ends at 80F0h and nothing is reported, the only page being
; the last one.
        ORG 8000H
        DW SMALL, LARGE         ; E0 80 C0 80
        DS 0BCH, 0EEH
SMALL   IN_PAGE DS 10H, 11H
LARGE   IN_PAGE DS 20H, 22H
        END
