; DB, DW and DS with their value rules
        ORG 8000H
        DB 1, 2, 300, -1, 'A', 'AB'   ; bytes are the low 8 bits
        DB "HELLO", 0
        DB "ABC"+80H                  ; bit 7 of the last character
        DW 1234H, -1, LATER
        DS 3, 0FFH
        DS 0
        DS 2
LATER:  DB LATER & 0FFH, LATER >> 8
        END
