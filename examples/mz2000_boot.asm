; mz2000_boot.asm: a boot disk for the Sharp MZ-2000. The IPL reads the disk's boot record
; and loads the program at 0000h; it clears the text screen, writes a line at its top, and
; stops.
; Assemble with:  talvo -2BOOTDEMO mz2000_boot.asm   (2D disk image mz2000_boot.d88)
; Put the disk in drive 1 and start the machine: the IPL boots it. With -2 the program is
; loaded at 0000h and started there (TALVO warns when ORG or END say otherwise).
;
; What the program takes of the machine:
; - Port E8h, bit 7 set: the VRAM takes the place of the RAM from D000h up; bit 6 chooses
;   which VRAM, set for the character VRAM, clear for the graphic VRAM. The other bits of
;   the port drive other parts of the machine, so the program reads the port (which gives
;   the value last written), changes only these two bits, and at the end writes back the
;   value it found: the RAM is back at D000h, and the screen keeps showing the text.
; - The character VRAM holds one ASCII code per cell from D000h, row after row: 80 cells
;   to a row in 80-column mode, 40 in 40-column mode. The line goes at D000h, the top left
;   corner in either mode; the clear covers 80 x 25 cells, the larger screen.
; There is no monitor to go back to after a disk boot, so the program ends by stopping the
; CPU: interrupts off, then HALT.

PORT    EQU     0E8H            ; bit 7: VRAM in place of RAM, bit 6: character VRAM
VRAMON  EQU     80H
TEXT    EQU     40H
VRAM    EQU     0D000H          ; the character VRAM, when mapped
CELLS   EQU     80*25
STACK   EQU     0D000H          ; the stack grows down from CFFFh, RAM below the VRAM

        ORG     0
START:  DI
        LD      SP,STACK
        IN      A,(PORT)
        PUSH    AF              ; the port as found, for the end
        OR      VRAMON|TEXT
        OUT     (PORT),A

        ; Clear: a space in the first cell, and LDIR copies it along, each cell from the one
        ; before it.
        LD      HL,VRAM
        LD      (HL),' '
        LD      DE,VRAM+1
        LD      BC,CELLS-1
        LDIR

        LD      HL,LINE
        LD      DE,VRAM
        LD      BC,LINEEND-LINE
        LDIR

        POP     AF
        OUT     (PORT),A        ; the RAM back at D000h
        HALT                    ; with interrupts off, for good

LINE:   DB      "MZ-2000: BOOTED FROM DISK, TEXT IN VRAM."
LINEEND:
        ASSERT  LINEEND-LINE <= 40, "the line must fit a row of the 40-column screen"
        END     START
