; DEFM is DB and INCBIN is BINCLUDE, under the names sources written for other assemblers
; use, in any letter case, wherever no macro of that name is defined: the same bytes, the
; same file search (-I), the same make rule (--deps) and assemble list. Before, each line
; with one of them failed, as
;   Error stmt_defm_incbin.asm    7: Undefined identifier 'DEFM'
        ORG     8000H
MSG:    DEFM    "HELLO",0DH     ; 48 45 4C 4C 4F 0D
TEXT    DEFM    "OK"+80H        ; 4F CB: a bare label before DEFM; + n adds to the last byte
        defm    1, 2+3          ; 01 05: expressions, as DB takes them
        CHRMAP  "MZ-ASCII"
        Defm    "a"             ; 05 41 05: through the character map, as a DB string
        CHRMAP  "ASCII"
RAW:    INCBIN  "stmt_files/two.bin"    ; 12 34 at 800Dh
FOUND   INCBIN  five.bin        ; 01 02 03 04 05 at 800Fh, found in the -I folder
        incbin  "stmt_files/two.bin"    ; 12 34 again: the make rule names the file once
        DW      RAW, FOUND      ; 0D 80 0F 80
        END
