; ARRANGE without pairs patches code in the middle: the image keeps the bytes behind the patch
; and ends at its furthest byte; floating blocks and a new ORG segment follow the whole image.
        ORG 8000H
        DS 16, 0EEH             ; 8000-800F
TAIL    IN_PAGE DB 0BBH, 0CCH   ; placed behind all the code: 8010
        ARRANGE 8004H           ; patch three bytes
        DB 55H                  ; 8004
        DW TAIL                 ; 8005: 10 80
        ORG 9000H               ; a new segment: behind the block, at image offset 12h
        DB 0AAH
        ARRANGE 9000H
        DB 0ABH                 ; 9000 patched
        END
