; ASSERT checks a condition: at its line when its value is known there, else after the last
; line, with the labels defined later. Before ASSERT was a statement, each of these lines
; failed with "未定義の識別子 'ASSERT'" (undefined identifier), and a line of a label without
; its colon before it with "未定義の識別子 'LBL'"; in the first column before an instruction,
; ASSERT is still a label, as it was.
        ORG     1200H
START:  LD      HL,TEXT
        ASSERT  START == 1200H                  ; known at its line
        ASSERT  END_OF_CODE <= 0D000H, "the program must end below D000H"
        assert  TEXT - START == 9               ; any letter case
COUNT   =       1
        ASSERT  COUNT == 1                      ; an assigned label: its value at the line
COUNT   =       2
CHECK   MACRO
        ASSERT  %1 > 0, "the argument must be positive"
        DB      %1
        ENDM
        CHECK   5
WORK    PROC
        ASSERT  LOOP - WORK == 2                ; a local label defined later
        NOP
        NOP
LOOP:   DJNZ    LOOP
        ENDP
LBL     ASSERT  LBL == 1208H                    ; a label without its colon before ASSERT
ASSERT  NOP                                     ; a label ASSERT, in the first column
        ASSERT  ASSERT == 1208H
TEXT:   DB      "OK", 0
END_OF_CODE:
        END
