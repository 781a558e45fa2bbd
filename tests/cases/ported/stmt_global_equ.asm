; NAME:: EQU value defines a constant of the global scope from inside a scope, as NAME:: does
; for an address. Its expression is read in the scope of its line, like every operand there,
; so it may name that scope's own labels. Before, the line defined NAME as a global address
; label and then failed at EQU:
;   Error stmt_global_equ.asm   14: Unsupported pseudo-instruction   (and lines 18, 22)
        ORG     100H
CLEAR   PROC
START:  LD      B,SIZE          ; 06 07: the global constant, from inside its scope
        XOR     A               ; AF
LOOP:   LD      (HL),A          ; 77
        DJNZ    LOOP            ; 10 FD
        RET                     ; C9
FINISH:                         ; 107H
SIZE::  EQU     FINISH-START    ; START and FINISH of CLEAR: 7
        ENDP
OUTER   PROC
INNER   PROC
DEPTH:: EQU     LAST-CLEAR      ; LAST, of the global scope, is defined below: 0AH
        ENDP
        ENDP
        DB      SIZE, DEPTH, DEFINED(SIZE)   ; 07 0A 01: SIZE is a label of this scope
TOP::   EQU     0FFH            ; at the global scope itself, as TOP EQU 0FFH
LAST:   DB      TOP             ; FF at 10AH
        END
