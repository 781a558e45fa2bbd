; A '{' block still open after the last line fails the run.
        ORG 8000H
        NOP
BLK     IN_PAGE {
        NOP
