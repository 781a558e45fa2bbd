        ORG 4000H
        DW $, $+2
        DB $ & 0FFH
HERE    EQU $
        DW HERE
        END
