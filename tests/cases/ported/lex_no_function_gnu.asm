; --errors=gnu: a name right after another without an operator between them is still explained
; as a function TALVO does not have; HIGH and LOW are operators now, so only the other line
; fails. Before, line 7 failed too:
;   lex_no_function_gnu.asm:7:23: error: Undefined identifier 'TAB': 'LOW' is no operator: take
;   bytes apart with & 0FFH and >> 8
        ORG     8000H
        LD      A,LOW TAB
        LD      A,SIZEOF TAB
TAB:    DB      0
        END
