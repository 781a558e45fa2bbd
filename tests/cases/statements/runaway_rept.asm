; A REPT count of billions where no byte fills the image (an OFFSET section): the lines of
; macro and REPT bodies are counted, and past 4,194,304 the run stops with its message
; instead of running for hours.
        ORG 8000H
        OFFSET 0
        REPT 7FFFFFFFH
        DB 1
        ENDM
        END
        END
