0000                    ; NAME: EQU value is NAME EQU value, as sources written for other assemblers put it: a
0000                    ; constant, listed with its value, and free to name labels defined further down.
0000                    ; Before, each of these lines defined NAME as an address label and then failed at EQU:
0000                    ;   Error stmt_colon_equ.asm    7: Unsupported pseudo-instruction   (and lines 8 to 10)
8000                            ORG     8000H
8000                    ; a known value
0003                    COUNT:  EQU     3
0004                    SIZE:   EQU     TABLE_END-TABLE ; labels defined below: known after the last line (4)
0001                    Step:EQU 1                      ; no blank after the colon; names keep their case
8000                    BASE:   equ     $               ; any letter case; $ is the address of the line, 8000H
8000    06 03                   LD      B,COUNT         ; 06 03
8002    21 09 80                LD      HL,TABLE        ; 21 09 80
8005    3E 05                   LD      A,SIZE+Step     ; 3E 05
8007    00 80                   DW      BASE            ; 00 80
8009    01 02 03 04     TABLE:  DB      1,2,3,4         ; 01 02 03 04 at 8009H
800D                    TABLE_END:                      ; 800DH
