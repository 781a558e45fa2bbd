; maps.asm in Shift-JIS, assembled without --source-encoding: the same image
        ORG 0
        CHRMAP "MZ-ASCII"
        DB "A±a"                    ; 41 91 05 41 05: katakana B1h moves down to 91h
        DB "¶Þ°¡ß"                  ; 96 BE 90 81 BF
        DB "a±b"                    ; 05 41 91 42 05: katakana leave the shift as it is
        CHRMAP "MZ-ASCII-JP"
        DB "Ý"                      ; BD
        CHRMAP "DISPLAYCODE"
        DB "A±¡ß"                   ; 01 A3 BD B8
        DB "a1 "                    ; 01 21 00
        CHRMAP "DISPLAYCODE-JP"
        DB "Ý"                      ; 99
        CHRMAP "MZ-ASCII-EU"
        DB "a^_"                    ; A1 8B 90
        CHRMAP "DISPLAYCODE-EU"
        DB "az{"                    ; 81 9A BC
        DISPC "±²"                  ; A3 85: DISPC is in the display code whatever the map
        CHRMAP "USER-DEFINED"
        MAPCHR 82H, 0EEH
        MAPCHR 0B1H, 0DDH
        DB "‚ ±"                    ; EE A0 DD: the user map takes each Shift-JIS byte
        CHRMAP "ASCII"
        DB "‚ ±"                    ; 82 A0 B1
        END
