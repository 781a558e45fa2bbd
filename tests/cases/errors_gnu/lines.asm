; Every kind of source diagnostic, printed for editors with --errors=gnu.
        ORG     100H
        LD      A,              ; a line error
        SUB     A,1             ; a warning
LOADB   MACRO
        NOP
        LD      B,%1
        ENDM
        LOADB   (               ; an error in line 2 of the body, then the calling line
TWICE   MACRO
        LOADB   %1
        ENDM
        TWICE   )               ; the body of LOADB inside the body of TWICE
N = 0
        REPT    3
N = N + 1
        IF      N == 2
        ERROR   "second repetition"
        ENDIF
        ENDM
JUMPS   MACRO
        JR      %1              ; out of range: found when the labels are resolved
        ENDM
        JUMPS   FAR
        DW      MISSING         ; never defined
        BIT     BITNO,A         ; a bit number found too large when resolved
        DS      200
FAR:    DB      1/ZERO
BITNO   EQU     9
ZERO    EQU     0
