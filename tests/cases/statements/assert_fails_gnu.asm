; The same, as --errors=gnu shows it in English.
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
