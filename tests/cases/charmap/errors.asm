; Every message of the character-map directives; a bad name leaves the map as it was
        CHRMAP ASCII
        CHRMAP "ASCII
        CHRMAP "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMX"
        CHRMAP "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"
        CHRMAP "SJIS"
        CHRMAP ""
        CHRMAP ; the name is missing
        MAPCHR LATER, 1
        MAPCHR 41H, 1, LATER
        DISPC "AB
        DISPC 'AB
        DISPC LATER, "C
        DB "A"+LATER
        CHRMAP "MZ-ASCII"
        CHRMAP "NO-SUCH-MAP"
FIRST:  DB "a"                  ; 05 41 05: still MZ-ASCII
        IF $ - FIRST == 3
        ERROR "MZ-ASCII is still selected"
        ENDIF
        DB "ab
NEXT:   DB "A"                  ; 41: a string that failed with the shift on leaves no shift behind
        IF $ - NEXT == 1
        ERROR "the next string starts unshifted"
        ENDIF
LATER:  END
