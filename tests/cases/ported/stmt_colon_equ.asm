; NAME: EQU value is NAME EQU value, as sources written for other assemblers put it: a
; constant, listed with its value, and free to name labels defined further down.
; Before, each of these lines defined NAME as an address label and then failed at EQU:
;   Error stmt_colon_equ.asm    7: Unsupported pseudo-instruction   (and lines 8 to 10)
        ORG     8000H
; a known value
COUNT:  EQU     3
SIZE:   EQU     TABLE_END-TABLE ; labels defined below: known after the last line (4)
Step:EQU 1                      ; no blank after the colon; names keep their case
BASE:   equ     $               ; any letter case; $ is the address of the line, 8000H
        LD      B,COUNT         ; 06 03
        LD      HL,TABLE        ; 21 09 80
        LD      A,SIZE+Step     ; 3E 05
        DW      BASE            ; 00 80
TABLE:  DB      1,2,3,4         ; 01 02 03 04 at 8009H
TABLE_END:                      ; 800DH
        END
