0001                    DEBUG=1
0000                    ; MONITOR -- a small console monitor for a Z80 board
0000                    ; BIOS entry points of the board
F003                    CONOUT  EQU     0F003H
F006                    CONIN   EQU     0F006H
FF00                    STACK   EQU     0FF00H
0010                    BUFSIZE EQU     16
0001                    LEVEL   = 1
0000
8000                            ORG     8000H
8000    31 00 FF        START:  LD      SP,STACK
8003    21 40 80                LD      HL,BANNER               ; a forward reference
8006    CD 2C 80                CALL    PUTS
8009                            IF      DEFINED(DEBUG)          ; DEBUG comes from -DDEBUG=1
8009    CD 36 80                CALL    DUMPREGS
800C                            ENDIF
804C                    LATE    EQU     LINEBUF                 ; its value comes after the last line
800C                            IF      DEFINED(LATE)           ; so it is not defined yet here
800C                            DB      0FFH
800C                            ENDIF
800C                            IF      LEVEL == 1
800C    3E 01                   LD      A,LEVEL
800E                            ENDIF
0002                    LEVEL   = 2                             ; listed with the value it takes here
800E                            IF      LEVEL == 2
800E    06 02                   LD      B,LEVEL
8010                            ELSE
8010                            LD      B,0
8010                            ENDIF
8010
8010                    GETLINE:                                ; two empty lines above: one address line
8010    21 4C 80                LD      HL,LINEBUF
8013    06 10                   LD      B,BUFSIZE
8015    CD 06 F0        @@:     CALL    CONIN
8018    77                      LD      (HL),A
8019    23                      INC     HL
801A    10 F9                   DJNZ    @B
801C    DD 21 4C 80             LD      IX,LINEBUF
8020    DD 36 0F 00             LD      (IX+BUFSIZE-1),0
8024    18 DA                   JR      START
8026    01 00 0A 00     POWERS: DW      1,10,100                ; six bytes
802A    64 00
802C
802C                    PRINTMSG PROC
802C    7E              PUTS::  LD      A,(HL)                  ; a global entry inside the scope
802D    B7                      OR      A
802E    C8                      RET     Z
802F    CD 03 F0                CALL    CONOUT
8032    23                      INC     HL
8033    18 F7                   JR      PUTS
8035                            ENDP
8035
8035                            IF      DEFINED(SAVEALL)        ; a macro counts as defined
8035    00                      NOP
8036                            ENDIF
8036
8036                    DUMPREGS PROC
8036                            SAVEALL HL                      ; keep what is shown
8036    F5                      PUSH    AF
8037    E5                      PUSH    HL
8038                            ENDM
8038                    HEX     PROC
8038    07              LOOP:   RLCA
8039    07                      RLCA
803A                            ENDM
803A    07                      RLCA
803B                            ENDM
803B    10 FB                   DJNZ    LOOP
803D                            ENDP
803D    E1                      POP     HL
803E    F1                      POP     AF
803F    C9                      RET
8040                            ENDP
8040
805C                    BUFFER_OVERFLOW EQU LINEBUF+BUFSIZE
F006                    KEYBOARD_SCANNER EQU CONIN
8040                    MSGS:
8040    4D 4F 4E 49     BANNER: DB      "MONITOR",0DH,0         ; nine bytes
8044    54 4F 52 0D
8048    00
8049    3E 20 00        PROMPT: DB      "> ",0
804C    00 00 00 00     LINEBUF: DS     BUFSIZE
8050    00 00 00 00
8054    00 00 00 00
8058    00 00 00 00
