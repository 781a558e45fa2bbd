; The errors of DEFM and INCBIN are those of DB and BINCLUDE, under their own names. A DEFM
; text in single quotes, which DB reads as a character constant and keeps one byte of, fails
; rather than storing that byte. Before, each of these lines failed, as
;   stmt_defm_incbin_gnu.asm:6:9: error: Undefined identifier 'DEFM': 'DEFM' is no
;   instruction, directive or macro; did you mean 'DEFB'?
        DEFM    'HELLO'         ; write "HELLO"
        DEFM    "OK",'!'        ; any item in single quotes
        DEFM    'say "hi"'      ; one that double quotes cannot hold: no advice
        DEFM                    ; nothing to store, as with DB alone
        DEFM    "open           ; the string is not closed
        INCBIN  "stmt_files/two.bin" more   ; nothing may follow the name
BLOCK   IN_PAGE INCBIN "stmt_files/two.bin" ; not inside a floating block of one line
        INCBIN  "absent.raw"    ; no such file: where it was looked for (the file ends here)
        END
