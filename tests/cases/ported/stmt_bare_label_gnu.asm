; Where a name without its colon is taken as a label, its errors are those of NAME: at the
; same places; where it is not, the line fails as it did before. Before, lines 10 to 12 failed as
;   stmt_bare_label_gnu.asm:10:1: error: Undefined identifier 'START': a label before an
;   instruction needs a colon: 'START:'
; and lines 13 to 21 as now, but that the detail named a local label '@@00000:', not '@@:'.
        ORG     8000H
PUT     MACRO
        DB      %1
        ENDM
START   NOP
START   NOP                     ; already defined, as START: NOP would be
OOPS    ERROR   "stop here"     ; a label, then ERROR: its text is the message
        INDENT  NOP             ; not in the first column: no label
        NOP LATE NOP            ; not the line's first statement
FIRST:  SECOND  NOP             ; nor here
CALLER  PUT     1               ; before a macro call a label needs its colon: CALLER: PUT 1
@@      NOP                     ; a local label keeps its colon
@1      NOP
I       NOP                     ; the name of a register is no label
BLOCK   PROC
BLOCK   ENDP                    ; no label: BLOCK: ENDP would define BLOCK inside BLOCK
        ENDP
        END
