; MONITOR -- a small console monitor for a Z80 board
        INCLUDE "bios.inc"
STACK   EQU     0FF00H
BUFSIZE EQU     16
LEVEL   = 1

        ORG     8000H
START:  LD      SP,STACK
        LD      HL,BANNER               ; a forward reference
        CALL    PUTS
        IF      DEFINED(DEBUG)          ; DEBUG comes from -DDEBUG=1
        CALL    DUMPREGS
        ENDIF
LATE    EQU     LINEBUF                 ; its value comes after the last line
        IF      DEFINED(LATE)           ; so it is not defined yet here
        DB      0FFH
        ENDIF
        IF      LEVEL == 1
        LD      A,LEVEL
        ENDIF
LEVEL   = 2                             ; listed with the value it takes here
        IF      LEVEL == 2
        LD      B,LEVEL
        ELSE
        LD      B,0
        ENDIF


GETLINE:                                ; two empty lines above: one address line
        LD      HL,LINEBUF
        LD      B,BUFSIZE
@@:     CALL    CONIN
        LD      (HL),A
        INC     HL
        DJNZ    @B
        LD      IX,LINEBUF
        LD      (IX+BUFSIZE-1),0
        JR      START
POWERS: DW      1,10,100                ; six bytes

PRINTMSG PROC
PUTS::  LD      A,(HL)                  ; a global entry inside the scope
        OR      A
        RET     Z
        CALL    CONOUT
        INC     HL
        JR      PUTS
        ENDP

SAVEALL MACRO
        PUSH    AF
        PUSH    %1
        ENDM
        IF      DEFINED(SAVEALL)        ; a macro counts as defined
        NOP
        ENDIF

DUMPREGS PROC
        SAVEALL HL                      ; keep what is shown
HEX     PROC
LOOP:   RLCA
        REPT    2
        RLCA
        ENDM
        DJNZ    LOOP
        ENDP
        POP     HL
        POP     AF
        RET
        ENDP

BUFFER_OVERFLOW EQU LINEBUF+BUFSIZE
KEYBOARD_SCANNER EQU CONIN
MSGS:   INCLUDE "messages.inc"
LINEBUF: DS     BUFSIZE
        END     START
