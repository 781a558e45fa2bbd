0000                    ; ASSERT checks a condition: at its line when its value is known there, else after the last
0000                    ; line, with the labels defined later. Before ASSERT was a statement, each of these lines
0000                    ; failed with "未定義の識別子 'ASSERT'" (undefined identifier), and a line of a label without
0000                    ; its colon before it with "未定義の識別子 'LBL'"; in the first column before an instruction,
0000                    ; ASSERT is still a label, as it was.
1200                            ORG     1200H
1200    21 09 12        START:  LD      HL,TEXT
1203                            ASSERT  START == 1200H                  ; known at its line
1203                            ASSERT  END_OF_CODE <= 0D000H, "the program must end below D000H"
1203                            assert  TEXT - START == 9               ; any letter case
0001                    COUNT   =       1
1203                            ASSERT  COUNT == 1                      ; an assigned label: its value at the line
0002                    COUNT   =       2
1203                            CHECK   5
1203                            ASSERT  5 > 0, "the argument must be positive"
1203    05                      DB      5
1204                            ENDM
1204                    WORK    PROC
1204                            ASSERT  LOOP - WORK == 2                ; a local label defined later
1204    00                      NOP
1205    00                      NOP
1206    10 FE           LOOP:   DJNZ    LOOP
1208                            ENDP
1208                    LBL     ASSERT  LBL == 1208H                    ; a label without its colon before ASSERT
1208    00              ASSERT  NOP                                     ; a label ASSERT, in the first column
1209                            ASSERT  ASSERT == 1208H
1209    4F 4B 00        TEXT:   DB      "OK", 0
120C                    END_OF_CODE:
