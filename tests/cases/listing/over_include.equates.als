0000                    ; its label list would be named like the file it includes
0100                    START   EQU     100H
0100                            ORG     START
0100    C3 00 01                JP      START
