; ORG 0 leaves the load address unset; END with an operand sets the execution address.
        ORG 0
        DB 1
        ORG 8000H
        DB 2
        END 1234H
