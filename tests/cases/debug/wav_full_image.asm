; --wav of a 64 KiB image: the MZT's size field cannot hold it, nothing is written.
        ORG 0
        DS 10000H
        END
