; A file included with a conditional left open fails, and its includer with it.
DEBUG   EQU 1
        ORG 8000H
        INCLUDE open_in_include.inc
        NOP
        END
