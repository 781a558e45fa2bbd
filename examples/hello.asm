; hello.asm: prints a greeting through the Sharp MZ-700 monitor, then returns to it.
; Assemble with:  talvo hello.asm           (raw binary hello.bin)
;                 talvo -mHELLO hello.asm   (MZT tape image hello.mzt)
;                 talvo -DTWICE=1 hello.asm (prints the greeting twice)

PRNT    EQU     0012H           ; monitor: print the character in A
LETNL   EQU     0006H           ; monitor: start a new line

; PRINT text: prints the zero-terminated text at the given address, then a new line.
PRINT   MACRO
        LD      DE,%1
        CALL    PUTS
        ENDM

        ORG     1200H
START:  PRINT   MESSAGE
        IF      DEFINED(TWICE)
        PRINT   MESSAGE
        ENDIF
        RET

; PUTS: prints the text at DE up to its terminating 0, then a new line.
PUTS:   LD      A,(DE)
        OR      A
        JR      Z,@F
        CALL    PRNT
        INC     DE
        JR      PUTS
@@:     JP      LETNL

MESSAGE:
        DB      "HELLO, WORLD!",0
        END     START
