        DB 1
        BINCLUDE "nothere.dat"
        DB 2
        END
