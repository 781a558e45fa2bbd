0000                    ; A macro named DEFM or INCBIN is called as before, and a label of either name is defined and
0000                    ; used as before: DEFM and INCBIN are statements only where the line would fail otherwise.
0000                    ; Before, lines 6 and 23 failed, as
0000                    ;   Error stmt_defm_macro.asm    6: Undefined identifier 'DEFM'
0100                            ORG     100H
0100    41 42                   DEFM    "AB"            ; 41 42: no macro DEFM is defined yet
0102                            DEFM    "CD"            ; 43 44 00: the macro
0102    43 44 00                DB      "CD", 0           ; its argument, then a 0
0105                            ENDM
0105                            INCBIN  "stmt_files/two.bin"    ; EE: the macro, no file is read
0105    EE                      DB      0EEH            ; EE
0106                            ENDM
0106                    INNER   PROC
0106                            DEFM    "E"             ; 45 00: the macro of the enclosing scope
0106    45 00                   DB      "E", 0           ; its argument, then a 0
0108                            ENDM
0108    01              INCBIN: DB      1               ; 01: a label of INNER named INCBIN ...
0002                    DEFM    EQU     2               ; ... and a constant named DEFM, as before
0109    08 02                   DB      INCBIN, DEFM    ; 08 02: INNER's own labels
010B                            DEFM    "F"             ; 46 00: INNER's DEFM is no macro: the outer one is called
010B    46 00                   DB      "F", 0           ; its argument, then a 0
010D                            ENDM
010D                            ENDP
010D                            ; macro names are case-sensitive: defm is not the macro DEFM, and DB here
010D    47                      defm    "G"             ; 47
