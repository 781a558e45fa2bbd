; --sld: a trace line for every statement's first byte at its place in the image, the lines of
; macro and REPT bodies at their own lines, and a line for every label.
        INCLUDE program.inc
        END START
