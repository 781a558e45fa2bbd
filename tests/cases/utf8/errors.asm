; --source-encoding=utf-8: a character that the output cannot hold fails its line at its
; column: one without a Shift-JIS code, one without a code in the selected MZ map (the EU maps
; hold no katakana), and bytes that are no UTF-8. errors_gnu and errors_utf8 are this source
; with --errors=gnu and with --messages=utf-8. Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
        ORG 0
        DB "caf√©"               ; no Shift-JIS code
        DB "‚Ç¨100"
        DB "xüòÄ"                ; beyond U+FFFF
        LD A,'√©'                ; a character constant: an invalid operand
        DW 'ab‚Ç¨'
        DB "ok", '√©'
        CHRMAP "MZ-ASCII"
        DB "AÊº¢"                ; no code in the map
        DB "√©"
        CHRMAP "MZ-ASCII-EU"
        DB "ÔΩ±"
        CHRMAP "DISPLAYCODE"
        DB "Ôº°"
        CHRMAP "DISPLAYCODE-EU"
        DB "Ôæü"
        DISPC "ÔΩ±", '„ÅÇ'          ; DISPC: the display code, whatever the map
        CHRMAP "USER-DEFINED"
        DB "√©"                  ; the user map takes Shift-JIS bytes
        CHRMAP "ASCII"
        DB "ˇ"                  ; malformed
        DB "„Å"                 ; a character cut short by the quote
        DB "Ç†"                 ; Shift-JIS
        LD A,'√'
        DB "ab„
        DISPC "¿Ø"              ; an overlong form of '/'
OK:     DB "after"              ; the lines after assemble
        END
