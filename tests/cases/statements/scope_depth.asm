; Scopes nest 256 deep: from the deepest one, a macro and a label of the root scope are found.
        ORG 0
PUT     MACRO
        DB %1
        ENDM
        REPT 256
        PROC
        ENDM
        PUT OUTER               ; both looked up outward through 256 scopes
        REPT 256
        ENDP
        ENDM
        DB OUTER+1
OUTER   EQU 5
        END
