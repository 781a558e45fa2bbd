0000                    ; ARRANGE overwrites the segment in slices: place bytes, step over skip bytes, the pairs in
0000                    ; turn; a pair that places nothing only steps. END returns behind the segment.
8000                            ORG 8000H
8000    EE EE EE C1             DS 16, 0EEH
8004    42 EE EE EE
8008    21 10 EE EE
800C    EE 80 EE EE
8010                            END
8010    05 80                   DW LBL                  ; 8010
8010                            ARRANGE 8010H           ; no pairs: back to 8010h for good, END will not return
8010    05 80 10 80     FWD:    DW LBL+1, FWD           ; 8010: 05 80 10 80
