; The errors of NAME: EQU and NAME:: EQU are those of NAME EQU, at the same places.
; Before, lines 12, 14, 15 and 17 failed at EQU instead, as
;   stmt_colon_equ_gnu.asm:12:9: error: Unsupported pseudo-instruction
        ORG     8000H
FIRST   EQU     1
NEXT:   NOP
SCOPE   PROC
FIRST:: EQU     4               ; the global scope has FIRST already
        ENDP
FIRST:  EQU     2               ; and so has this one
NEXT:   EQU     3               ; a label of NEXT: alike
WIDE:   EQU     1+              ; the expression fails
        DS      LATER           ; needed at once, but LATER is defined below
LATER:  EQU     2
SUM:    EQU     LAST+1
        DS      SUM             ; SUM takes its value from a label defined below
GONE:   EQU     MISSING+1       ; MISSING is never defined
LAST:   DW      GONE
        END
