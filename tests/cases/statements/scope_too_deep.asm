; A scope inside 256 others is refused, however it is opened, and the run fails. A name that
; a scope lacks is looked up outward through every enclosing scope, so unbounded nesting
; would make a short source run for hours.
        ORG 0
        REPT 256
        PROC
        ENDM
DEEP    PROC
        PROC
        {
BLK     IN_PAGE {
        NOP
        END
