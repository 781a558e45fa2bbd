; --cycles adds to the label list the T-states of the code under each address label: the sum
; over the instructions from its line to the next address label in source order, as a comment,
; "45 T-states", or "38-45 T-states" (the sums of the shorter and of the longer paths) when a
; conditional or repeating instruction is among them. Constants (EQU), '=' labels and labels
; on data get no comment; local labels, constants and '=' labels do not end a run. Source
; order is the code as written under the label, also where ORG moves back and a floating block
; is placed elsewhere. Before, the option failed:
;   Illegal option: --cycles                (exit status 255)
PORT    EQU     10H
STEP    =       2
        ORG     8000H
MAIN:   LD      B,8             ; 7
@@:     IN      A,(PORT)        ; 11: a local label, MAIN's run goes on
        DJNZ    @B              ; 13/8
LIMIT   EQU     $               ; a constant: MAIN's run goes on
STEP    =       3               ; and so does a '=' label
        RET                     ; 10: MAIN 36-41
FIRST:                          ; two labels at one address: the first has no code
SECOND: NOP                     ; 4
        RET     Z               ; 11/5: SECOND 9-15
TABLE:  DB      1,2,3           ; data: no comment
WORDS:  DW      TABLE
SCAN    PROC
        LD      HL,TABLE        ; 10: SCAN 10
LOOP:   CP      (HL)            ; 7: SCAN.LOOP, a label of its own scope
        INC     HL              ; 6
        JR      NZ,LOOP         ; 12/7
ENTRY:: LDIR                    ; 21/16: the global ENTRY ends LOOP's run: 20-25
        RET                     ; 10: ENTRY 26-31
        ENDP
SINE    IN_PAGE {               ; placed after the code, counted where it is written
        LD      A,(HL)          ; 7
        RET                     ; 10: SINE 17
        }
        ORG     9000H
BANK1:  LD      A,1             ; 7
        RET                     ; 10: BANK1 17
        ORG     9000H           ; the same addresses again
BANK2:  LD      A,(IX+1)        ; 19
        JP      BANK1           ; 10: BANK2 29
        END
