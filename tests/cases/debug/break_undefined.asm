; --break names no label of the program: nothing is written.
        INCLUDE program.inc
        END START
