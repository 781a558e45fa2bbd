; An OFFSET section still open after the last line fails the run.
        ORG 8000H
        NOP
        OFFSET 0
FIELD:  DS 2
