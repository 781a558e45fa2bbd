; A false ASSERT fails the run at its line with its text; one that waits for a later label
; is reported after the last line, in the order of the lines. A label never defined is named
; as in any expression. Before ASSERT was a statement, every ASSERT line here failed with
; "未定義の識別子 'ASSERT'".
        ORG     8000H
        ASSERT  1 == 2
        ASSERT  $ == 8001H, "ORG must be 8001H"
        ASSERT  LIMIT < 10, "LIMIT is too large"
        ASSERT  UNDEFINED
        ASSERT  1, "a text longer than sixty-three characters is refused, as ERROR refuses it"
        ASSERT  1, no quotes
        ASSERT  1, "unclosed
        ASSERT  1 "no comma"
CHECK   MACRO
        ASSERT  %1, "zero in a macro"
        ENDM
        CHECK   0
        ASSERT  LIMIT / ZERO
LIMIT   EQU     12
ZERO    EQU     0
        END
