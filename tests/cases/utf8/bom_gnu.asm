        DB "é"                  ; the column counts from behind the mark
; --source-encoding=utf-8 --errors=gnu: an error on the first line of a file that begins with a
; byte-order mark shows the line without the mark, the column counted behind it; a mark
; anywhere else is a character that begins no token. Before, the option was refused:
;   Illegal option: --source-encoding=utf-8
﻿        NOP
        DB "﻿"              ; a mark in a string has no Shift-JIS code
        END
