; The same with '=' and with a label in the scope itself.
SIZE    EQU 4
        ORG 8000H
P1      PROC
        DS SIZE
SIZE    = 8                     ; error
        ENDP
P2      PROC
        DS SIZE
SIZE:   NOP                     ; error
        ENDP
        END
