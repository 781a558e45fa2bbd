; mz700_split.asm: a Sharp MZ-700 program in two files: its code in an MZT tape image, and a
; ready-made screen that loads straight into the text VRAM at D000h. The code completes the
; screen (its bottom border and a number in a field), then returns to the monitor.
; Assemble with:  talvo -T -mSPLIT mz700_split.asm
;   mz700_split.mzt: the tape, named SPLIT, holding CF00h-CFFFh (the code)
;   D000.bin:        the bytes from D000h on (the top five rows of the screen)
; Load D000.bin into memory at D000h (an emulator's memory load, for example), then load and
; run the tape: it starts at CF00h.
;
; -T cuts the image at D000h, and only when the image reaches that far. The image is one
; contiguous run of bytes from the first ORG on (ORG does not leave a gap), so the space
; between the end of the code and D000h is filled with DS and travels on the tape. Putting
; the code just below D000h keeps that filler, and the tape, short.
;
; The screen is written in display code with DISPC: a space is 00h, A-Z are 01h-1Ah, 0-9 are
; 20h-29h. A label inside it (SIZEF) is the address of a field that the code fills in.

COLS    EQU     40              ; cells in a row of the text VRAM
ROWS    EQU     25              ; rows on the screen
ZERO    EQU     20H             ; display code of the digit 0; 1 to 9 follow it

        ORG     0CF00H
START:  ; The bottom border is the top one again: copy row 0 to the last row.
        LD      HL,SCREEN
        LD      DE,SCREEN+COLS*(ROWS-1)
        LD      BC,COLS
        LDIR
        ; The field: how many bytes D000.bin holds.
        LD      HL,SCREND-SCREEN
        LD      DE,SIZEF
        CALL    PUTDEC
        RET                     ; back to the monitor

; PUTDEC: writes HL as five decimal digits, in display code, from DE on.
PUTDEC: LD      BC,-10000
        CALL    DIGIT
        LD      BC,-1000
        CALL    DIGIT
        LD      BC,-100
        CALL    DIGIT
        LD      BC,-10
        CALL    DIGIT
        LD      BC,-1
        ; falls into DIGIT for the ones
; DIGIT: writes at DE how many times the power -BC goes into HL, and leaves the rest in HL.
DIGIT:  LD      A,ZERO-1
@@:     INC     A
        ADD     HL,BC           ; carry while HL was at least the power
        JR      C,@B
        SBC     HL,BC           ; one subtraction too many (carry is clear): undo it
        LD      (DE),A
        INC     DE
        RET

        ASSERT  $ <= 0D000H, "the code must end below D000H"
        DS      0D000H-$        ; the filler up to D000h: the image has no gaps

        ORG     0D000H          ; where the DS has brought the location; stated for the reader
SCREEN: DISPC   "****************************************"
        DISPC   "*     THIS SCREEN CAME FROM D000.BIN,  *"
        DISPC   "*     THE CODE FROM THE TAPE.          *"
        DISPC   "*     D000.BIN HOLDS "
SIZEF:  DISPC   "00000"
        DISPC   " BYTES.      *"
        DISPC   "****************************************"
SCREND:
        ASSERT  SCREND-SCREEN == 5*COLS, "the screen must be 5 rows of 40 characters"
        END     START
