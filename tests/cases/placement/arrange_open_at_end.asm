; An ARRANGE region still open after the last line fails the run.
        ORG 8000H
        NOP
        ARRANGE 8000H, 1, 0
        NOP
