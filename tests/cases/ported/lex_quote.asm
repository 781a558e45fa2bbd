; In a character constant two quotes stand for one: '''' is the quote character, 27H. Before,
; each of these lines failed with "Syntax error": the first two quotes made an empty constant
; and the next quote began no statement.
        ORG     8000H
        DB      '''', 'a''b', '''a'     ; 27 62 61: a byte keeps the low 8 bits
        DW      'a''', ''''''           ; 27 61 27 27
        DB      '''', 'x'               ; 27 78
        LD      A,''''                  ; 3E 27
        CP      ''''+1                  ; FE 28
        DW      'a''b'>>8               ; 27 61
        DB      '', ''+1                ; 00 01: the empty constant is 0 as before
        IF      ('''') == 27H           ; 01
        DB      1
        ENDIF
; An IF condition, ELIF condition or END operand that is false leaves the rest of its line
; unread, so outside parentheses the first quote closes the constant there, as it always did:
; 27H == '' is 0, and the rest of the line is not read.
        IF      27H == ''''
        DB      2                       ; not assembled
        ENDIF
        END
