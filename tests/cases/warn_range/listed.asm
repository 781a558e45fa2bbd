; The assemble list runs the source once more: each warning is printed once.
        ORG     100H
        LD      A,300
        LD      B,LATER
LATER   EQU     200H
        END
