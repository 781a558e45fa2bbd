; --cycles without -x or -l asks for no list: only the image is written, as without the
; option. Before, the option failed:
;   Illegal option: --cycles                (exit status 255)
        ORG     8000H
START:  LD      B,4
@@:     DJNZ    @B
        JP      START
        END
