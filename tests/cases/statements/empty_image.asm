X       EQU 5
        END
