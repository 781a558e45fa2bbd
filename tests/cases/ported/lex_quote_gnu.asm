; --errors=gnu: a constant that the pairs of quotes would leave open to the end of the line is
; closed by its first quote, as before, and the quote after it stays an error. Before, both
; lines failed:
;   lex_quote_gnu.asm:5:19: error: Syntax error: unexpected '''
        DB      ''''
        DB      '''
        END
