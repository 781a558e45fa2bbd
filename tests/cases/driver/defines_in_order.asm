; Every -D is assembled in order before the first line; a name alone is defined as 1, and a
; label given twice takes the later value. Each is listed in the assemble list.
        ORG 8000H
        DB DEBUG, MODEL, FAST
        END
