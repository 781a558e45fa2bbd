; "@@" inside an expression is a definition form: every look at it advances the @@ counter.
; Each probe line "@@ NOP" names the counter's value at that point in its error message.
        ORG     100H
        DW      @@                      ; first operand: looked at three times
@@      NOP
        DW      1+@@                    ; operand of a binary operator: twice
@@      NOP
        DW      1*@@
@@      NOP
        DW      1:@@
@@      NOP
        DW      1||@@
@@      NOP
        DW      1==@@
@@      NOP
        DW      -@@                     ; operand of a unary operator: twice
@@      NOP
        DW      (@@)                    ; first in a group: twice
@@      NOP
        DW      ~(1<<@@)
@@      NOP
        DW      1 @@                    ; where an operator may stand: eleven times
@@      NOP
        DW      (1+2 @@)                ; the same inside a group, then once more for ')'
@@      NOP
        DW      DEFINED(@@)             ; the name inside DEFINED(): once
@@      NOP
        DW      2*@1                    ; the numbered families alike
@1      NOP
        END
