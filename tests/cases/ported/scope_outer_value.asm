; Inside a scope, a value needed at once may come from an enclosing scope that defines the
; name with a known value: DS, IF, REPT and ORG here. Before, each of these lines failed with
; "Value of the expression not yet known".
SIZE    EQU 4
COUNT   = 2
BASE    EQU 8000H
        ORG BASE
BUF     PROC
        DS SIZE,0AAH            ; AA AA AA AA
        IF SIZE == 4
        DB 1                    ; 01
        ENDIF
        REPT COUNT
        DB 2                    ; 02 02
        ENDM
INNER   PROC
        DS SIZE-3,0BBH          ; two scopes out: BB
        ENDP
        ENDP
LATER   PROC
        ORG BASE+8              ; where the next byte lands anyway
SIZE    EQU 1                   ; the scope's own value, defined above its use
        DS SIZE,0CCH            ; CC
        ENDP
        END
