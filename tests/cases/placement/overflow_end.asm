; No page left below 10000h for a block placed after the last line: the run fails.
        ORG 0FF00H
        DS 80H
BIG     PAGE_ALIGNED DS 10H
        END
