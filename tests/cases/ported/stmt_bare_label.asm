; A name in the first column followed by an instruction or a directive is a label, as if it
; were written with its colon (NAME: NOP): the label field of sources written for other
; assemblers. Before, each such line failed, as
;   Error stmt_bare_label.asm   10: Undefined identifier 'START'
        ORG     8000H
COUNT   EQU     2               ; EQU, =, MACRO, PROC, {, IN_PAGE and PAGE_ALIGNED after a
VALUE   =       1               ; bare name keep their meaning
        ; instructions
                                ; (and a line of blanks alone)
START   LD      A,COUNT         ; 3E 02
Next    jr      Next            ; 18 FE: names keep their case, mnemonics take any
        ; the directives NAME: may stand before
WORDS   DW      START           ; 00 80
BYTES   DB      VALUE           ; 01
SPACE   DS      1,0FFH          ; FF
TABLE   DEFB    5               ; 05
PAIR    DEFW    6               ; 06 00
GAP     DEFS    1               ; 00
DISPLAY DISPC   "A"             ; 01 at 800Ch
PADDED  ALIGN   8               ; 00 00 00: PADDED is 800Dh, the next byte goes to 8010h
MAPPED  CHRMAP  "MZ-ASCII"
        DB      "a"             ; 05 41 05
USER    MAPCHR  0, 0            ; nothing stored: the user map's first code
        CHRMAP  "ASCII"
CHOICE  IF      COUNT == 2      ; the label is defined, then the condition opened
YES     DB      0AAH            ; AA at 8013h
NOTHERE ELSE                    ; a label before ELSE, ELIF or ENDIF belongs to the branch
NEVER   DB      0BBH            ; it ends: NOTHERE (in the branch assembled) is 8014h, NEVER
DONE    ENDIF                   ; and DONE (in the branch passed over) are not defined
AGAIN   REPT    2               ; AGAIN is defined once, before the body is repeated
        DB      0CCH            ; CC CC
        ENDM
ONCE    REPT    1
        DB      0DDH            ; DD at 8016h
LAST    ENDM                    ; the closing line is the body's last: LAST is defined by its
                                ; one repetition, at 8017h (by two it would fail, as LAST: would)
SOURCE  INCLUDE "stmt_files/part.inc"   ; 00: PART, 8017h, is a label of the included file
RAW     BINCLUDE "stmt_files/two.bin"   ; 12 34 at 8018h
FIELDS  OFFSET  10H             ; a structure: FIELDS is 801Ah, the address before OFFSET
FIELD_A DS      2               ; 10h
FIELD_B DS      1               ; 12h
CLOSED  END                     ; 13h, then END closes the section: the address is 801Ah again
        DB      FIELD_B         ; 12
TAIL    END                     ; the end of the source, at 801Bh
