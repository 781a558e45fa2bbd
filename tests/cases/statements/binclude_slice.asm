; BINCLUDE "name", offset [, length] copies a slice of the file: the body of an MZT without
; its 128-byte header, a part of it, or nothing at the very end. The values are needed at
; once. Before, text after a quoted name failed with "BINCLUDEの後は行末まで何も記述できません";
; a comma after a plain name is still part of the name.
        ORG     1200H
HEADER  EQU     128
BODY:   BINCLUDE "slice.mzt", HEADER                ; the body: 16 bytes
PART:   BINCLUDE "slice.mzt", HEADER + 4, 2         ; two bytes of it
        BINCLUDE "slice.mzt", 1, 5                  ; the name in the header
        BINCLUDE "slice.mzt", HEADER + 16           ; the end of the file: nothing
        BINCLUDE "slice.mzt", 0, 0                  ; nothing
        INCBIN  "slice.mzt", HEADER + 15, 1         ; INCBIN takes the slice too
        END
