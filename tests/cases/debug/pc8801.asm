; -8 with a MAME script: the PC-8801's main CPU is named z80.
        INCLUDE program.inc
        END START
