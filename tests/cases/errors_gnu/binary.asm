        ORG     100H
        BINCLUDE absent.bin
        END
