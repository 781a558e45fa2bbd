; --source-encoding=utf-8 reads only strings and character constants as UTF-8: comments, and
; the text of lines in a branch that is not assembled, pass as the bytes they are, malformed
; UTF-8 and characters without a Shift-JIS code included: Ã© â‚¬ ğŸ˜€ ÿş. Names are bytes, as
; in a Shift-JIS source. Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 0
START:  LD A,1                  ; 3E 01 cafÃ© ‚  ğŸ˜€
        IF 0
        DB "cafÃ© ÿ"
        LD A,'â‚¬'
        ELSE
        DB "ok"                 ; 6F 6B
        ENDIF
; âˆ‘ ã
        JP START                ; C3 00 00
        END
