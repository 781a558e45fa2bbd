; OFFSET only counts: labels take offsets, nothing is stored, and END brings the location back.
        ORG 8000H
        NOP                     ; 8000
        OFFSET 0
F1:     DS 2                    ; F1 = 0
F2:     DS 1                    ; F2 = 2
        DW LATER                ; a forward word here patches nothing
        LD A,(IX+0)             ; instructions count too: 3 bytes
F3:     OFFSET 10H              ; a second OFFSET only sets a new location; F3 = 8
F4:     DB 1, 2                 ; F4 = 10h
        OFFSET                  ; without an operand: 0
F5:     DS 5                    ; F5 = 0
F6:     END                     ; F6 = 5, then back at 8001
        DB F1, F2, F3, F4, F5, F6
LATER:  DW $                    ; 8007
        OFFSET 0FFFFH           ; at FFFFh one more byte gives 0
        DB 0
WRAP:   END
        DB WRAP                 ; 00
        END
