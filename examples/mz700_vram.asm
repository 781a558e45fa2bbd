; mz700_vram.asm: writes a box of text straight into the Sharp MZ-700's text VRAM, colours
; its title row, prints one line through the monitor, then goes back to the monitor.
; Assemble with:  talvo -mVRAM mz700_vram.asm   (MZT tape image mz700_vram.mzt, named VRAM)
; Load it with the monitor's L command: it loads at 1200h, the monitor's user area, and starts
; there.
;
; The text VRAM at D000h holds 25 rows of 40 cells, one display code byte per cell, row after
; row: the cell at column X of row Y is at D000h + 40*Y + X. Display codes are not ASCII: a
; space is 00h, A-Z are 01h-1Ah, 0-9 are 20h-29h. DISPC writes its strings in display code
; whatever character map is selected; CHRMAP "DISPLAYCODE" makes every later DB string
; display code too. Each cell also has a colour byte, at D800h + 40*Y + X: the foreground in
; bits 6-4, the background in bits 2-0 (0 black, 1 blue, 2 red, 3 magenta, 4 green, 5 cyan,
; 6 yellow, 7 white); the monitor fills it with 71h, white on blue.
;
; The monitor's PRNT and MSG print MZ-ASCII, the machine's own character set, at the cursor.
; Upper-case letters, digits and punctuation have their ASCII codes there; under
; CHRMAP "MZ-ASCII" lower-case letters would become shift code pairs, so the line is kept in
; upper case. It is printed first, so that the box written afterwards stays on the screen.

LETNL   EQU     0006H           ; monitor: start a new line
MSG     EQU     0015H           ; monitor: print the text at DE, up to the 0Dh that ends it
MONITOR EQU     00ADH           ; monitor: the command loop, which leaves the screen as it is
                                ; (JP 0000H would restart the monitor and clear the screen)

VRAM    EQU     0D000H          ; text VRAM: display codes
COLOUR  EQU     0D800H          ; colour VRAM: one colour byte per cell
COLS    EQU     40              ; cells in a row
TOP     EQU     10              ; the row the box starts at
TITLE   EQU     61H             ; yellow (6) on blue (1)

        ORG     1200H
START:  CALL    LETNL
        LD      DE,NOTE
        CALL    MSG
        CALL    LETNL

        ; The box: its rows follow each other in VRAM as they do here, so one LDIR copies
        ; them all.
        LD      HL,BOX
        LD      DE,VRAM+COLS*TOP
        LD      BC,BOXEND-BOX
        LDIR

        ; The line below the box, centred: the text is shorter than a row.
        LD      HL,FOOT
        LD      DE,VRAM+COLS*(TOP+BOXROWS+1)+(COLS-(FOOTEND-FOOT))/2
        LD      BC,FOOTEND-FOOT
        LDIR

        ; The title row's colour: store the first byte, and LDIR copies it along the row,
        ; each byte from the one before it.
        LD      HL,COLOUR+COLS*(TOP+1)
        LD      (HL),TITLE
        LD      DE,COLOUR+COLS*(TOP+1)+1
        LD      BC,COLS-1
        LDIR
        JP      MONITOR

        CHRMAP  "MZ-ASCII"      ; for the monitor's MSG
NOTE:   DB      "THE BOX BELOW IS WRITTEN INTO VRAM.",0DH

        ; Four rows of exactly 40 characters each: the ASSERT below checks the total.
BOX:    DISPC   "========================================"
        DISPC   "=   SHARP MZ-700: TEXT VRAM AT D000H   ="
        DISPC   "=  40 X 25 CELLS, A DISPLAY CODE EACH  ="
        DISPC   "========================================"
BOXEND:
BOXROWS EQU     (BOXEND-BOX)/COLS
        ASSERT  BOXEND-BOX == 4*COLS, "the box must be 4 rows of 40 characters"

        CHRMAP  "DISPLAYCODE"   ; every DB string from here on is display code
FOOT:   DB      "WRITTEN WITH DB UNDER CHRMAP."
FOOTEND:
        END     START
