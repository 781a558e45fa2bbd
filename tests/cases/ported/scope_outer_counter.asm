; A "=" label of an enclosing scope counted on in a scope: the first assignment takes the
; outer value at once and defines the scope's own, which the later lines use. Before, line 4
; failed with "Value of the expression not yet known".
COUNT   = 1
        ORG 8000H
BLK     PROC
COUNT   = COUNT+1
        DS COUNT
COUNT   = COUNT+1
        DS COUNT
        ENDP
        DS COUNT
        END
