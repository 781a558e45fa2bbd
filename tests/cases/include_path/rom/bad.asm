        ORG     100H
        INCLUDE bad.inc
        END
