; features.asm: a short tour of the language on a plain Z80. The program sums a table of bytes
; copied from a binary file, leaves the sum in HL and in SUM, writes it as four hex digits and a
; 0 into TEXT, and returns.
; Assemble with:  talvo -I include -x -l features.asm
;   features.bin  the image, to be loaded and called at 8000h
;   features.als  the assemble list (-x): every line with its address and bytes, the lines
;                 of each macro and REPT expansion after the line that called it
;   features.lst  the label list (-l): the labels of the outermost scope
; It shows: INCLUDE (through -I), BINCLUDE, a macro with declared parameters and a default,
; REPT, PROC scopes with labels of their own, anonymous labels, OFFSET and an IN_PAGE block.

        INCLUDE "features.inc"  ; SUM, TEXT and the macro PUTDIGIT

        ORG     8000H
START:  LD      HL,TABLE
        LD      B,TABLE_END-TABLE
        CALL    SUMUP           ; HL = the sum of the B bytes at HL
        LD      (SUM),HL
        LD      DE,TEXT
        PUTDIGIT H, 4           ; the high digit of H: four RRCA first
        PUTDIGIT H              ; shift left out: 0
        PUTDIGIT L, 4
        PUTDIGIT L
        XOR     A
        LD      (DE),A          ; the text ends with a 0
        RET

; SUMUP: HL = the sum of the B bytes at HL, B from 1 to 255 (DE changes).
SUMUP   PROC                    ; a scope: LOOP belongs to SUMUP alone
        EX      DE,HL
        LD      HL,0
LOOP:   LD      A,(DE)
        ADD     A,L
        LD      L,A
        JR      NC,@F           ; @F: the next @@ below
        INC     H
@@:     INC     DE
        DJNZ    LOOP
        RET
        ENDP

; DIGIT: A = the hex digit, in ASCII, of the low four bits of A.
DIGIT   PROC
        PUSH    HL
        AND     0FH
        LD      HL,DIGITS
        ADD     A,L             ; only L is added to: DIGITS never crosses a page boundary
        LD      L,A
        LD      A,(HL)
        POP     HL
        RET
        ENDP

TABLE:  BINCLUDE "data/table.bin" ; the bytes of the file, as they are
TABLE_END:

; A floating block: placed after the code, where it fits within one 256-byte page.
DIGITS  IN_PAGE DB "0123456789ABCDEF"
        END
