; A length that runs past the end of the file fails as an offset past it does, here in an
; included file. Before, it failed with "Nothing may follow BINCLUDE on its line".
        ORG     1200H
        INCLUDE "slice_length.inc"
        END
