; --errors=gnu: a binary number with a digit that is no binary digit stays an error, now
; "Invalid character in a number" at the number. Before, both lines failed:
;   lex_binary_gnu.asm:4:17: error: Syntax error in expression: unexpected '%'
        DB      %1010
        DB      %102
        END
