; hello.asm: prints a greeting through the Sharp MZ-700 monitor, then returns to it.
; Assemble with:  talvo hello.asm        (raw binary hello.bin)
;                 talvo -mHELLO hello.asm (MZT tape image hello.mzt)

PRNT    EQU     0012H           ; monitor: print the character in A
LETNL   EQU     0006H           ; monitor: start a new line

        ORG     1200H
START:  LD      DE,MESSAGE
@@:     LD      A,(DE)          ; next character, 0 ends the text
        OR      A
        JR      Z,@F
        CALL    PRNT
        INC     DE
        JR      @B
@@:     CALL    LETNL
        RET

MESSAGE:
        DB      "HELLO, WORLD!",0
        END     START
