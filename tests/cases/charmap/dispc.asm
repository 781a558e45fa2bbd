; DISPC: strings in either quote in display code, expressions as bytes, whatever map is selected
        ORG 8000H
        DISPC "A", 0            ; 01 00
        DISPC 'A'               ; 01: in single quotes a string, not a character constant
        DISPC "ab", 'AB'        ; 01 02 01 02
        DISPC 1+2, "x", -1      ; 03 18 FF
        DISPC LATER, LATER >> 8 ; 14 80: forward references as in DB
        DISPC "", 5             ; 05
        DISPC "A" NOP           ; 01 00: the next statement on the line
        CHRMAP "MZ-ASCII"
        DISPC "ab"              ; 01 02: never a shift code
        DB "a"                  ; 05 41 05
LATER:  END
