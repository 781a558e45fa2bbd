; --wav: the MZT of -m as MZ-700 tape audio (a program at 1200h padded to a loadable size).
        ORG 1200H
START:  LD HL,START
        JP START
        DS 400,0A5H
        END START
