; DB "string" + n adds n to the last byte of the string's last character, or to the closing
; shift code when one ends the string
        CHRMAP "MZ-ASCII"
        DB "aB"+80H             ; 05 41 05 C2: the B, not the shift code in front of it
        DB "Ab"+80H             ; 41 05 42 85: the closing shift code
        DB "AB"+80H             ; 41 C2
        DB "ab"+1               ; 05 41 42 06
        DB "±"+80H              ; 11
        DB "a1"+80H             ; 05 41 31 85
        DB ""+80H, 7            ; 07: an empty string has no byte to add to
        DB "A"+180H, "B"        ; C1 42: the low 8 bits are added, to this string only
        CHRMAP "DISPLAYCODE"
        DB "AB"+80H             ; 01 82
        CHRMAP "ASCII"
        DB "ABC" + 80H          ; 41 42 C3
        END
