; HIGH and LOW before an operand are unary operators: bits 8-15 and bits 0-7 of its value, in
; any letter case, binding like unary minus (HIGH VALUE+1 is (HIGH VALUE)+1), on labels
; defined further down too. Before, each of these lines failed, for example:
;   Error lex_high_low.asm    8: Syntax error                   (HIGH before a number)
;   Error lex_high_low.asm   22: Undefined identifier 'TABLE'   (LOW before a name)
        ORG     8000H
VALUE   EQU     1234H
        LD      A,HIGH 1234H            ; 3E 12
        LD      B,low VALUE             ; 06 34
        LD      C,High VALUE+1          ; 0E 13
        LD      D,HIGH (VALUE+100H)     ; 16 13
        LD      E,LOW ~VALUE            ; 1E CB
        LD      H,HIGH 'AB'             ; 26 41
        LD      L,LOW $                 ; 2E 0C: the line is at 800CH
        DB      HIGH DEFINED(VALUE), LOW !0     ; 00 01
        DB      LOW HIGH 123456H, -HIGH VALUE   ; 34 EE
        LD      HL,(HIGH VALUE)         ; 2A 12 00: a memory operand
        LD      A,HIGH (VALUE)          ; 3E 12: a number
        DW      (LOW VALUE):HIGH VALUE  ; 12 34: the bytes swapped
@@:     LD      A,(IX+LOW 0FF01H)       ; DD 7E 01 at 8019H
        DB      LOW @B                  ; 19
        LD      HL,LOW TABLE            ; 21 28 00
        LD      A,HIGH TABLE            ; 3E 80
        DB      -LOW TABLE, HIGH TABLE+1        ; D8 81
        DW      LOW (TABLE+0FFH), HIGH(TABLE+100H)      ; 27 00 81 00
TABLE:  DB      0                       ; 00 at 8028H
        IF      HIGH $ == HIGH TABLE && LOW $ == 29H
        DB      1                       ; 01
        ENDIF
        END
