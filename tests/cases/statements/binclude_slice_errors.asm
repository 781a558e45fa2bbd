; Negative values, values not yet known and text after the slice fail at the line; a slice
; outside the file fails naming the file's size, and like a file not found it stops the
; file. Before, each BINCLUDE line here failed with
; "BINCLUDEの後は行末まで何も記述できません".
        ORG     1200H
        BINCLUDE "slice.mzt", -1
        BINCLUDE "slice.mzt", 0, -1
        BINCLUDE "slice.mzt", LATER
LATER:
        BINCLUDE "slice.mzt", 1, 2, 3
        BINCLUDE "slice.mzt",
        BINCLUDE "slice.mzt", 145
        END
