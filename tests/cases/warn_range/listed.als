0000                    ; The assemble list runs the source once more: each warning is printed once.
0100                            ORG     100H
0100    3E 2C                   LD      A,300
0102    06 00                   LD      B,LATER
0200                    LATER   EQU     200H
