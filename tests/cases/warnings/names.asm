; --warn=text: a tape or boot disk name its field cannot hold whole is reported; the bytes
; stay as without the option (the cut name). Before, no option reported it.
        ORG     0
        DB      1, 2, 3
        END
