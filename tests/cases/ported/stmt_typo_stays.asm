; A misspelt instruction stays an error, as it was: a name in the first column is a label
; only before an instruction or a directive, and what follows a misspelt instruction is an
; operand, or nothing.
        ORG     100H
LDX
LDX     A,1
ldx     a,(hl)
PUSHH   HL
JPP     LOOP
RETT    NZ
OUTT    (C),A
DJNZZ   $
DBB     1,2
        LDX     A,1             ; indented
        LDX     NOP             ; indented: a name is a label without its colon only in the
LOOP:   NOP                     ; first column
        END
