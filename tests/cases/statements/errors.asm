        ORG 8000H
        DB 12B
        DS -1
        ALIGN 3
        ALIGN 0
        ALIGN 512
        ALIGN UNKNOWN
        DS LATER
        ERROR "stop here"
        ERROR stop
        ERROR "no end
        ERROR "0123456789012345678901234567890123456789012345678901234567890123"
        ENDP
        EQU 5
        MACRO
X       EQU 1
X       EQU 2
Y:      DB 0
Y:      DB 0
ZZ      EQU 1
ZZ = 2
        DB W
W = 3
        NOP2
        LOOP2 DB 0
@F:     DB 0
        DB "open
        INCLUDE "a.inc" extra
        DB (1
        DB 1 +
        1
        ORG LATER
        END LATER
LATER:
        END
