0001                    DEBUG=1
0002                    MODEL=2
0001                    FAST=1
0003                    DEBUG=3
0000                    ; Every -D is assembled in order before the first line; a name alone is defined as 1, and a
0000                    ; label given twice takes the later value. Each is listed in the assemble list.
8000                            ORG 8000H
8000    03 02 01                DB DEBUG, MODEL, FAST
