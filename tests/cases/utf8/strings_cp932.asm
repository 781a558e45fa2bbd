; strings.asm in Shift-JIS, assembled without --source-encoding: the same image
        ORG 8000H
TEXT:   DB "ABC abc 0~\\"          ; 41 42 43 20 61 62 63 20 30 7E 5C 5C
        DB "±≤≥ ∞ﬂ"                 ; B1 B2 B3 20 B0 DF
        DB "°ﬂ"                     ; A1 DF: the first and the last half-width katakana
        DB "Ç†Ç¢Ç§"                 ; 82 A0 82 A2 82 A4
        DB "äøéö"                   ; 8A BF 8E 9A
        DB "Ç`ÇP"                   ; 82 60 82 50: full-width letters and digits
        DB "á@áTáÇ"                   ; 87 40 87 54 87 82
        DB "ï\é¶"                   ; 95 5C 8E A6: a trail byte 5Ch, as in Shift-JIS
        DB "∂ﬁ", 0, "ÉK"            ; B6 DE 00 83 4B
        DB "a	b"                  ; 61 09 62: a tab is a byte of the string
        DB "Ç†"+1                   ; 82 A1: the addition goes to the last byte
        DB "", "x"                  ; 78
        DEFM "èI"                   ; 8F 49
SHOW    MACRO
        DB %1, "%2"
        ENDM
        SHOW "±", Ç¢ÇÎÇÕ            ; B1 82 A2 82 EB 82 CD: macro arguments are text
LENGTH  EQU $ - TEXT
        DW LENGTH                   ; 3B 00
        END
