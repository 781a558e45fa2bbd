        DB 1
        INCLUDE "nothere.inc"
        DB 2
        END
