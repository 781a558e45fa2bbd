; The load address is where the image's first byte is assembled, also at 0: a later ORG does
; not move it. END with an operand sets the execution address.
        ORG 0
        DB 1
        ORG 8000H
        DB 2
        END 1234H
