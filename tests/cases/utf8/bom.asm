; --source-encoding=utf-8: a UTF-8 byte-order mark in front of a file, the source or one it
; includes, is no part of its first line: a label stands in the first column behind it, and
; the columns of the line count from it. Without the option the mark stays the syntax error it
; is (mistakes/21_bom). Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 0
        INCLUDE "bom_include.inc"
        JP START                ; C3 00 00
        END
