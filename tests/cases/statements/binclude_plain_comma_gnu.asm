; A comma after a plain BINCLUDE name is part of the name, as it was.
        ORG     1200H
        BINCLUDE slice.mzt,128
        END
