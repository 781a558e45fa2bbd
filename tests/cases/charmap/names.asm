; CHRMAP names in any letter case; "a^" tells the maps apart
        CHRMAP "ascii"
        DB "a^"                 ; 61 5E
        CHRMAP "Mz-Ascii"
        DB "a^"                 ; 05 41 5E 05
        CHRMAP "ASCII"
        CHRMAP "mz-ascii-jp"
        DB "a^"                 ; 05 41 5E 05
        CHRMAP "mz-ascii-EU"
        DB "a^"                 ; A1 8B
        CHRMAP "DisplayCode"
        DB "a^"                 ; 01 50
        CHRMAP "ASCII"
        CHRMAP"displaycode-jp"  ; no blank needed before the quote
        DB "a^"                 ; 01 50
        CHRMAP "displaycode-eu"
        DB "a^"                 ; 81 BE
        CHRMAP "user-defined"
        DB "a^"                 ; 61 5E: the user map starts as the identity
        CHRMAP "ASCII" DB "a^"  ; 61 5E: the line goes on after the name
        INCLUDE "select_display.inc"
        DB "a^"                 ; 01 50: the map chosen in the included file holds
        END
