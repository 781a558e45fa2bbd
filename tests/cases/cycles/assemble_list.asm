; --cycles adds the T-states of each instruction to the assemble list, between the bytes and the
; text, which moves to column 32. A conditional jump, call or return shows taken/not taken, a
; repeating block instruction repeating/last; a line of several instructions shows their sums;
; lines without an instruction show an empty column. Before, the option failed:
;   Illegal option: --cycles                (exit status 255)
BUFFER  EQU     0C000H
COUNT   =       16
        ORG     8000H
START:  LD      SP,0FF00H
        LD      HL,BUFFER
        LD      B,COUNT
FILL:   LD      (HL),A          ; a loop of DJNZ
        INC     HL
        DJNZ    FILL
        CP      10
        JR      NC,DONE         ; JR cc, JR
        JR      START
        CALL    Z,WAIT          ; CALL cc, CALL
        CALL    WAIT
        JP      PE,START        ; JP cc takes 10 either way
        JP      (HL)
DONE:   RET     NZ              ; RET cc, RET, RETI, RETN
        RET
        RETI
        RETN
COPY:   LD      HL,BUFFER
        LD      DE,BUFFER+1
        LD      BC,COUNT-1
        LDIR                    ; the block repeats
        LDDR
        CPIR
        CPDR
        INIR
        INDR
        OTIR
        OTDR
        LDI                     ; and the single steps
        CPD
INDEX:  LD      IX,BUFFER       ; indexed by IX and IY
        LD      A,(IX+3)
        LD      (IY-1),A
        LD      (IX+2),55H
        INC     (IY+0)
        ADD     IX,DE
        EX      (SP),IY
        JP      (IX)
        LD      IXH,5           ; the index halves
        ADD     A,IYL
BITS:   BIT     7,(HL)          ; CB forms
        SET     0,B
        RLC     (HL)
        SLL     C
        BIT     3,(IX+4)        ; DD CB d op, FD CB d op
        RES     1,(IY-3)
        LD      A,RLC (IX+3)
EXTENDED:
        SBC     HL,DE           ; ED forms
        LD      (BUFFER),DE
        IM      2
        NEG
        IN      F,(C)
        OUT     (C),0
        RLD
        NOP NOP HALT            ; three on one line: 4+4+4
        RET Z RET Z             ; two of two paths: 11+11/5+5
WAIT    PROC                    ; a label alone, a comment, data: no count
; a comment line
        DB      1,2,3
        DW      START
        DS      2
        ALIGN   4
        ENDP
DELAY   MACRO
        LD      B,%1
@@:     DJNZ    @B
        ENDM
        DELAY   10              ; each instruction of the expansion has its count
        REPT    2
        PUSH    AF
        ENDM
        OFFSET  0
FIELD:  LD      A,1             ; in an OFFSET section nothing is stored, nothing counted
        END
        LD      A,(IX+FIELD)    ; a line long enough to be cut at 255 characters, after the column: 0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789
        END
