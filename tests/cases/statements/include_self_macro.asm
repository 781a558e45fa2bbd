; A file that includes itself from a macro body and from its own lines: the first INCLUDE
; nested too deeply ends the whole run, instead of every level trying again.
AGAIN   MACRO
        INCLUDE include_self_macro.asm
        ENDM
        AGAIN
        INCLUDE include_self_macro.asm
        END
