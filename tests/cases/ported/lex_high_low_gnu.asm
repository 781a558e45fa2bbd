; --errors=gnu: of these lines with HIGH and LOW, one stays an error: the operand of HIGH is
; not closed. Before, the first and the last line failed too:
;   lex_high_low_gnu.asm:5:24: error: Syntax error: unexpected '8001H'
        ORG     8000H
        LD      A,HIGH 8001H
        LD      A,HIGH (8001H
        LD      A,LOW 8001H
        END
