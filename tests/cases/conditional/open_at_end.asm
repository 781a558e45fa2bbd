; A conditional left open when the file ends is an error at the line of its IF; the run
; fails and writes nothing.
        ORG 8000H
        IF 1
        NOP
        END
