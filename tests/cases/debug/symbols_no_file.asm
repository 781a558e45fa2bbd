; --symbols=FORMAT: without a file name is an illegal option.
        INCLUDE program.inc
        END START
