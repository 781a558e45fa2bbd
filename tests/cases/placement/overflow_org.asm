; No page left for a block placed at ORG: the run fails, and the ORG line counts as an error.
        ORG 0FF00H
        DS 0F0H
SMALL   IN_PAGE DS 8            ; would fit in FFF0h-FFFFh
BIG     IN_PAGE DS 20H          ; placed first: needs a new page at 10000h
        ORG 8000H
        NOP
        END
