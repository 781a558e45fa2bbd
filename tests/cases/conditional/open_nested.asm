; Each conditional left open is named, the outermost first; a closed one is not.
        ORG 8000H
        IF 1
        IF 0
        ELSE
        IF 1
        ENDIF
        NOP
        END
