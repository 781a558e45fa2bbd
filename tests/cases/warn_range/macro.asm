; Values found out of range when the labels are resolved, in macro and REPT bodies: the
; warning names the line that gave the value.
        ORG     100H
PUT     MACRO
        LD      A,%1
        DW      %1*300
        ENDM
        PUT     LATER
        REPT    2
        PUT     LATER
        ENDM
LATER   EQU     300
        END
