; --source-encoding=utf-8: the strings of DB are read as UTF-8 and written as their Shift-JIS
; (code page 932) bytes: ASCII and the half-width katakana in one byte each, every other
; character in two. strings_cp932.asm is this source in Shift-JIS, assembled without the
; option: its image is the same. Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 8000H
TEXT:   DB "ABC abc 0~\\"          ; 41 42 43 20 61 62 63 20 30 7E 5C 5C
        DB "ｱｲｳ ｰﾟ"                 ; B1 B2 B3 20 B0 DF
        DB "｡ﾟ"                     ; A1 DF: the first and the last half-width katakana
        DB "あいう"                 ; 82 A0 82 A2 82 A4
        DB "漢字"                   ; 8A BF 8E 9A
        DB "Ａ１"                   ; 82 60 82 50: full-width letters and digits
        DB "①Ⅰ№"                   ; 87 40 87 54 87 82
        DB "表示"                   ; 95 5C 8E A6: a trail byte 5Ch, as in Shift-JIS
        DB "ｶﾞ", 0, "ガ"            ; B6 DE 00 83 4B
        DB "a	b"                  ; 61 09 62: a tab is a byte of the string
        DB "あ"+1                   ; 82 A1: the addition goes to the last byte
        DB "", "x"                  ; 78
        DEFM "終"                   ; 8F 49
SHOW    MACRO
        DB %1, "%2"
        ENDM
        SHOW "ｱ", いろは            ; B1 82 A2 82 EB 82 CD: macro arguments are text
LENGTH  EQU $ - TEXT
        DW LENGTH                   ; 3B 00
        END
