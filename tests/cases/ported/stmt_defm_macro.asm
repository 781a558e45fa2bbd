; A macro named DEFM or INCBIN is called as before, and a label of either name is defined and
; used as before: DEFM and INCBIN are statements only where the line would fail otherwise.
; Before, lines 6 and 23 failed, as
;   Error stmt_defm_macro.asm    6: Undefined identifier 'DEFM'
        ORG     100H
        DEFM    "AB"            ; 41 42: no macro DEFM is defined yet
DEFM    MACRO                   ; from here on, DEFM is this macro
        DB      %1, 0           ; its argument, then a 0
        ENDM
INCBIN  MACRO
        DB      0EEH            ; EE
        ENDM
        DEFM    "CD"            ; 43 44 00: the macro
        INCBIN  "stmt_files/two.bin"    ; EE: the macro, no file is read
INNER   PROC
        DEFM    "E"             ; 45 00: the macro of the enclosing scope
INCBIN: DB      1               ; 01: a label of INNER named INCBIN ...
DEFM    EQU     2               ; ... and a constant named DEFM, as before
        DB      INCBIN, DEFM    ; 08 02: INNER's own labels
        DEFM    "F"             ; 46 00: INNER's DEFM is no macro: the outer one is called
        ENDP
        ; macro names are case-sensitive: defm is not the macro DEFM, and DB here
        defm    "G"             ; 47
        END
