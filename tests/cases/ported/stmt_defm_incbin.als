0000                    ; DEFM is DB and INCBIN is BINCLUDE, under the names sources written for other assemblers
0000                    ; use, in any letter case, wherever no macro of that name is defined: the same bytes, the
0000                    ; same file search (-I), the same make rule (--deps) and assemble list. Before, each line
0000                    ; with one of them failed, as
0000                    ;   Error stmt_defm_incbin.asm    7: Undefined identifier 'DEFM'
8000                            ORG     8000H
8000    48 45 4C 4C     MSG:    DEFM    "HELLO",0DH     ; 48 45 4C 4C 4F 0D
8004    4F 0D
8006    4F CB           TEXT    DEFM    "OK"+80H        ; 4F CB: a bare label before DEFM; + n adds to the last byte
8008    01 05                   defm    1, 2+3          ; 01 05: expressions, as DB takes them
800A                            CHRMAP  "MZ-ASCII"
800A    05 41 05                Defm    "a"             ; 05 41 05: through the character map, as a DB string
800D                            CHRMAP  "ASCII"
800D                    RAW:
800F                    FOUND
8016    0D 80 0F 80             DW      RAW, FOUND      ; 0D 80 0F 80
