; IF X = 5 is not read as IF X == 5: its condition is X, and "= 5" is a statement of its own,
; which a false condition leaves unread. So "IF ZERO = 0" is false and assembles, as it always
; has, and "IF FIVE = 5" fails at '='. An equality is written ==.
ZERO    EQU     0
FIVE    EQU     5
        IF      ZERO = 0
        DB      1                       ; not assembled
        ENDIF
        IF      FIVE == 5
        DB      2                       ; 02
        ENDIF
        IF      FIVE = 5
        DB      3
        ENDIF
        END
