0000                    ; A comment cut at 1,023 characters is one line: the rest of it is passed over, even
0000                    ; where it reads as code. In a macro body the kept part is stored, the rest dropped.
0100                            ORG 100H
0100    01                      DB 1
0101                    ;cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc
0101    61 3B 62 3B             DB "a;b", ';'   ; ccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc
0105                            TWICE 7
0105    07                      DB 7 ; cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc
0106    07                      DB 7
0107                            ENDM
0107    07 01                   DW $
