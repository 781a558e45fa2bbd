; Binary numbers written %1010 or 0b1010 (0B1010), with underscores like the other forms. '%'
; is a binary number where an operand stands; between operands it is the remainder. Before,
; these lines failed with "Syntax error in expression" (%) and "Invalid character in a number"
; (0b), but for the line of 0B, 0B1H, 0BH and 0B_, which keep their values.
        ORG     8000H
        DB      %1010, %0, %11111111, %1111_0000        ; 0A 00 FF F0
        DB      0b1010, 0B11, 0b1_0                     ; 0A 03 02
        DB      0B, 0B1H, 0BH, 0B_                      ; 00 B1 0B 00
        DB      7%%11, 7 % 3, 7%3, 7 %11                ; 01 01 01 07
        DB      -%11, ~%1, 1+%10*%11                    ; FD FE 07
        DW      %1000000000000000                       ; 00 80
        LD      A,%101                                  ; 3E 05
        OUT     (%1),A                                  ; D3 01
; In a macro body %1 to %9 are the arguments, put in before the line is read: %1010 is the
; first argument followed by 010. %0 is not replaced, so %0101 stays the binary number.
BITS    MACRO
        DB      %1010, %0101
        ENDM
        BITS    2                                       ; DA 05: DB 2010, %0101
        BITS                                            ; 0A 05: DB 010, %0101
        END
