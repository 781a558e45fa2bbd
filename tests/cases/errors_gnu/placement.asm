; A floating block that finds no room when an ORG places it: the ORG line is named.
        ORG     0FFF0H
        DS      8
BLOCK   PAGE_ALIGNED {
        DB      1
        }
        ORG     1000H
        END

