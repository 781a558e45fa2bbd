; A label named HIGH or LOW keeps every meaning it had: alone, before a binary operator (LOW+1,
; LOW-1, LOW %3 the remainder) and before a name that begins a statement of its own (a macro
; call, NAME:, NAME EQU). In END's operand and IF conditions, which may leave the rest of their
; line unread, a label of that name with a value stays the label. The word is the operator
; only before an operand no statement begins with, also when a label of that name exists:
; before, that line failed with
;   Error lex_high_low_label.asm   24: Syntax error
        ORG     9000H
LOW     EQU     10H
HIGH    EQU     0
TWICE   MACRO
        DB      %1, %1
        ENDM
START:  DB      LOW+1, LOW-1, LOW -1, LOW %3    ; 11 0F 0F 01
        LD      A,LOW                   ; 3E 10
        DW      HIGH                    ; 00 00
        DB      HIGH TWICE 7            ; 00 07 07: HIGH, then a call of TWICE
        DB      LOW NEXT: DB HIGH       ; 10 00: LOW, then NEXT: DB HIGH
        DB      LOW COUNT EQU 3         ; 10, and COUNT is 3
        DB      COUNT, NEXT-START       ; 03 0C
        IF      HIGH 5                  ; the label HIGH, 0: the rest of the line is not read
        DB      0FFH                    ; not assembled
        ENDIF
        DB      LOW (1234H)             ; 34
        END     HIGH 1234H              ; the label HIGH: the program starts at 0000H
