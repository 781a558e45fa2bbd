; --t88 and --cmt of a program with a floating block and an ARRANGE region: the monitor's
; records hold the image as the other outputs do, from its load address on.
        INCLUDE program.inc
        END START
