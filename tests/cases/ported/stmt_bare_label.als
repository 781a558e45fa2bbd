0000                    ; A name in the first column followed by an instruction or a directive is a label, as if it
0000                    ; were written with its colon (NAME: NOP): the label field of sources written for other
0000                    ; assemblers. Before, each such line failed, as
0000                    ;   Error stmt_bare_label.asm   10: Undefined identifier 'START'
8000                            ORG     8000H
0002                    COUNT   EQU     2               ; EQU, =, MACRO, PROC, {, IN_PAGE and PAGE_ALIGNED after a
0001                    VALUE   =       1               ; bare name keep their meaning
8000                            ; instructions
8000                                                    ; (and a line of blanks alone)
8000    3E 02           START   LD      A,COUNT         ; 3E 02
8002    18 FE           Next    jr      Next            ; 18 FE: names keep their case, mnemonics take any
8004                            ; the directives NAME: may stand before
8004    00 80           WORDS   DW      START           ; 00 80
8006    01              BYTES   DB      VALUE           ; 01
8007    FF              SPACE   DS      1,0FFH          ; FF
8008    05              TABLE   DEFB    5               ; 05
8009    06 00           PAIR    DEFW    6               ; 06 00
800B    00              GAP     DEFS    1               ; 00
800C    01              DISPLAY DISPC   "A"             ; 01 at 800Ch
800D    00 00 00        PADDED  ALIGN   8               ; 00 00 00: PADDED is 800Dh, the next byte goes to 8010h
8010                    MAPPED  CHRMAP  "MZ-ASCII"
8010    05 41 05                DB      "a"             ; 05 41 05
8013                    USER    MAPCHR  0, 0            ; nothing stored: the user map's first code
8013                            CHRMAP  "ASCII"
8013                    CHOICE  IF      COUNT == 2      ; the label is defined, then the condition opened
8013    AA              YES     DB      0AAH            ; AA at 8013h
8014                    NOTHERE ELSE                    ; a label before ELSE, ELIF or ENDIF belongs to the branch
8014                    NEVER   DB      0BBH            ; it ends: NOTHERE (in the branch assembled) is 8014h, NEVER
8014                    DONE    ENDIF                   ; and DONE (in the branch passed over) are not defined
8014    CC                      DB      0CCH            ; CC CC
8015                            ENDM
8015    CC                      DB      0CCH            ; CC CC
8016                            ENDM
8016    DD                      DB      0DDH            ; DD at 8016h
8017                    LAST    ENDM                    ; the closing line is the body's last: LAST is defined by its
8017                                                    ; one repetition, at 8017h (by two it would fail, as LAST: would)
8017                    SOURCE
8017                    ; included by stmt_bare_label.asm
8017    00              PART    NOP                     ; a label without its colon in an included file
8018                    RAW
0010                    FIELDS  OFFSET  10H             ; a structure: FIELDS is 801Ah, the address before OFFSET
0010                    FIELD_A DS      2               ; 10h
0012                    FIELD_B DS      1               ; 12h
801A                    CLOSED  END                     ; 13h, then END closes the section: the address is 801Ah again
801A    12                      DB      FIELD_B         ; 12
