; --source-encoding=utf-8 with an MZ character map: each character is decoded, its Shift-JIS
; byte (ASCII, or a half-width katakana A1h..DFh) is what the map converts, as in a Shift-JIS
; source (maps_cp932.asm is this source in Shift-JIS: its image is the same). Before, the
; option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 0
        CHRMAP "MZ-ASCII"
        DB "Aｱa"                    ; 41 91 05 41 05: katakana B1h moves down to 91h
        DB "ｶﾞｰ｡ﾟ"                  ; 96 BE 90 81 BF
        DB "aｱb"                    ; 05 41 91 42 05: katakana leave the shift as it is
        CHRMAP "MZ-ASCII-JP"
        DB "ﾝ"                      ; BD
        CHRMAP "DISPLAYCODE"
        DB "Aｱ｡ﾟ"                   ; 01 A3 BD B8
        DB "a1 "                    ; 01 21 00
        CHRMAP "DISPLAYCODE-JP"
        DB "ﾝ"                      ; 99
        CHRMAP "MZ-ASCII-EU"
        DB "a^_"                    ; A1 8B 90
        CHRMAP "DISPLAYCODE-EU"
        DB "az{"                    ; 81 9A BC
        DISPC "ｱｲ"                  ; A3 85: DISPC is in the display code whatever the map
        CHRMAP "USER-DEFINED"
        MAPCHR 82H, 0EEH
        MAPCHR 0B1H, 0DDH
        DB "あｱ"                    ; EE A0 DD: the user map takes each Shift-JIS byte
        CHRMAP "ASCII"
        DB "あｱ"                    ; 82 A0 B1
        END
