; A scope that took an enclosing scope's value at once may not define the name afterwards:
; the line above would have used another value than the scope's own.
SIZE    EQU 4
        ORG 8000H
OUTER   PROC
INNER   PROC
        DS SIZE                 ; the root's SIZE, for INNER and for OUTER, which it passed
        ENDP
SIZE    EQU 8                   ; error: OUTER's SIZE after the use
        ENDP
        END
