; --symbols with a form it does not write, or without a file, is an illegal option, as every
; unknown long option was before --symbols.
        INCLUDE program.inc
        END START
