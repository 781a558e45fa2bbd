; --source-encoding=utf-8: character constants take the Shift-JIS bytes of their characters,
; the first byte highest, as the same constant in a Shift-JIS source does (constants_cp932.asm
; is this source in Shift-JIS: its image is the same); --warn=text counts those bytes and shows
; the text as written. Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 0
        LD HL,'あ'                  ; 21 A0 82
        LD DE,'ｱｲ'                  ; 11 B2 B1
        LD A,'ｱ'                    ; 3E B1
        LD A,'あ' & 0FFH            ; 3E A0
        CP 'ﾟ'                      ; FE DF
        LD BC,'''あ'                ; 01 A0 82: the pair of quotes is one, 27h, not stored
        DW 'あ', 'a''b'             ; A0 82 62 27
        DB 'ｱ', 'a', 'あ'           ; B1 61 A0 (a warning: 'あ' holds 2 bytes)
        DW 'ａｂ'                   ; 82 82: the low bytes (a warning: 4 bytes)
        DISPC 'ｱ', "ｲ"              ; A3 85: the display codes of B1h and B2h
        MAPCHR 'ｱ', 0AAH            ; the user map of the code of 'ｱ', B1h
        MAPCHR 82H, 0BBH
        CHRMAP "USER-DEFINED"
        DB "ｱ"                      ; AA
        DB "あ"                     ; BB A0
        END
