; --break names no label, under --errors=gnu and in English.
        INCLUDE program.inc
        END START
