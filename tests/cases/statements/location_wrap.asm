; The location counter is 32 bits wide and wraps without harm at its end.
        ORG 7FFFFFFFH
        DB 1
        JR $
        DB $ & 0FFH
        END
