; A PAGE_ALIGNED block that would run past FFFFh is not placed: the run fails.
        ORG 0FE00H
        DS 10H
BIG     PAGE_ALIGNED DS 200H    ; FF00h + 200h
        END
