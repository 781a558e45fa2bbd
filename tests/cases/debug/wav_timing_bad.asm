; --wav-timing names only mz700 or mz80b.
        INCLUDE program.inc
        END START
