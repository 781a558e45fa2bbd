; The same, as --errors=gnu shows it in English.
        ORG     1200H
        BINCLUDE "slice.mzt", -1
        BINCLUDE "slice.mzt", 0, -1
        BINCLUDE "slice.mzt", LATER
LATER:
        BINCLUDE "slice.mzt", 1, 2, 3
        BINCLUDE "slice.mzt",
        BINCLUDE "slice.mzt", 145
        END
