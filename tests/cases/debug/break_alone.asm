; --break without a MAME script to put it in.
        INCLUDE program.inc
        END START
