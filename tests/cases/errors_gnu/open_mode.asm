; A placement mode still open after the last line: an error about the whole run.
        ORG     100H
        NOP
        OFFSET  0
