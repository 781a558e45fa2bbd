; ARRANGE overwrites the segment in slices: place bytes, step over skip bytes, the pairs in
; turn; a pair that places nothing only steps. END returns behind the segment. Without pairs,
; ARRANGE patches the code from its address on and the image keeps every byte behind.
        ORG 8000H
        DS 16, 0EEH
        ARRANGE 8002H, 0, 1, 2, 2
        DB "A"+80H              ; 8003: C1, the +80h goes to the byte the A went to
LBL:    DB "B"                  ; 8004, then 8008 behind the skips
        LD HL,FWD               ; 21 at 8008; the forward word's bytes go to 8009h and,
                                ; behind the skips, 800Dh
        END
        DW LBL, LBL, LBL        ; 8010: 04 80 04 80 04 80
        ARRANGE 8010H           ; no pairs: back to 8010h for good, END will not return
FWD:    DW LBL+1, FWD           ; 8010: 05 80 10 80, the last word stays: 04 80
        END
