; MZ-ASCII: lower-case letters are the upper-case codes behind the shift code 05h, and every
; string ends unshifted
        CHRMAP "MZ-ASCII"
        DB "Ab"                 ; 41 05 42 05
        DB "aB"                 ; 05 41 05 42
        DB "AbC"                ; 41 05 42 05 43
        DB "ab"                 ; 05 41 42 05: a string ending in lower case is closed
        DB "a1b"                ; 05 41 31 42 05: digits leave the shift as it is
        DB "a1B"                ; 05 41 31 05 42
        DB "±a"                 ; 91 05 41 05: katakana B1h moves down to 91h
        DB "a±b"                ; 05 41 91 42 05
        DB "a", "b"             ; 05 41 05 05 42 05: each string is closed on its own
        DB "x", 'y', "Y"        ; 05 58 05 79 59: a character constant is not converted
        DB "", "Z"              ; 5A
        END
