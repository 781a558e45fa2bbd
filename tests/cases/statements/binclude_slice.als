0000                    ; BINCLUDE "name", offset [, length] copies a slice of the file: the body of an MZT without
0000                    ; its 128-byte header, a part of it, or nothing at the very end. The values are needed at
0000                    ; once. Before, text after a quoted name failed with "BINCLUDEの後は行末まで何も記述できません";
0000                    ; a comma after a plain name is still part of the name.
1200                            ORG     1200H
0080                    HEADER  EQU     128
1200                    BODY:
1210                    PART:
