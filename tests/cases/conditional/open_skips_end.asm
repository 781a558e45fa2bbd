; IF 0 without its ENDIF skips the END that follows: the error names the IF, not a
; missing END.
        ORG 8000H
        NOP
        IF 0
        NOP
        END
