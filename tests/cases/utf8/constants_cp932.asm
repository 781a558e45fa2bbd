; constants.asm in Shift-JIS, assembled without --source-encoding: the same image
        ORG 0
        LD HL,'Ç†'                  ; 21 A0 82
        LD DE,'±≤'                  ; 11 B2 B1
        LD A,'±'                    ; 3E B1
        LD A,'Ç†' & 0FFH            ; 3E A0
        CP 'ﬂ'                      ; FE DF
        LD BC,'''Ç†'                ; 01 A0 82: the pair of quotes is one, 27h, not stored
        DW 'Ç†', 'a''b'             ; A0 82 62 27
        DB '±', 'a', 'Ç†'           ; B1 61 A0 (a warning: 'Ç†' holds 2 bytes)
        DW 'ÇÅÇÇ'                   ; 82 82: the low bytes (a warning: 4 bytes)
        DISPC '±', "≤"              ; A3 85: the display codes of B1h and B2h
        MAPCHR '±', 0AAH            ; the user map of the code of '±', B1h
        MAPCHR 82H, 0BBH
        CHRMAP "USER-DEFINED"
        DB "±"                      ; AA
        DB "Ç†"                     ; BB A0
        END
