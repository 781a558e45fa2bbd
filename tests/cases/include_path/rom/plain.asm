; Run from the folder above: macros.inc and logo.bin are found beside this file; first.inc
; opens as written (from the current folder) although rom/first.inc exists too.
        ORG     100H
        INCLUDE macros.inc
        INCLUDE "first.inc"
        BINCLUDE logo.bin
        TWO_NOPS
        END
