; Division or remainder by zero fails the same way when folded and when resolved later.
        DB 7 / 0
        DB 7 % 0
        DB LATER / 0
        DB 80000000H / -1 & 0FFH
LATER   EQU 5
        END
