; PAGE_ALIGNED blocks larger than a page: each starts on the next free page, largest first; a
; block of exactly 256 bytes fills its page. The free tails of the pages are reported.
        ORG 8000H
        DW A1, A2, A3           ; 8000-8005
A1      PAGE_ALIGNED DS 150H, 0A1H      ; second: 8400h, its last page 8500h keeps B0h free
A2      PAGE_ALIGNED DS 210H, 0A2H      ; first: 8100h-830Fh
A3      PAGE_ALIGNED DS 100H, 0A3H      ; third: 8600h-86FFh
        END
