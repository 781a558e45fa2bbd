; pc8801_boot.asm: a boot disk for the NEC PC-8801. The program writes a line of text in the
; middle of the text screen and stops there.
; Assemble with:  talvo -8 -l pc8801_boot.asm               (disk pc8801_boot.d88, labels .lst)
;                 talvo -8 -l -DVERSION=2 pc8801_boot.asm   (the second text, onto the same disk)
;                 talvo pc8801_boot.asm                     (the raw image pc8801_boot.bin)
;
; How it boots: the boot ROM reads track 0, sector 1 to C000h and runs it. TALVO puts its loader
; there; the loader reads the image from track 1 on to the load address (9000h here), switches
; to 64 KiB RAM mode and jumps to the execution address, the operand of END.
; When pc8801_boot.d88 exists, -8 replaces only the sectors the program needs and leaves every
; other sector as it was: the second command updates the same disk after a change, and files
; kept elsewhere on it stay.

VRAM    EQU     0F3C8H          ; the text screen in main RAM: 25 rows of 120 bytes each,
ROWSIZE EQU     120             ; 80 character codes, then 40 attribute bytes
ROW     EQU     12              ; the row the text goes into
TEXTPOS EQU     VRAM+ROW*ROWSIZE+(80-TEXTLEN)/2 ; centred: EQU may name labels defined later

        IF      !DEFINED(VERSION) ; -DVERSION=2 on the command line comes first
VERSION = 1
        ENDIF

        ORG     9000H           ; below C000h-C0FFh and F21Eh-F2BFh, which the loader uses
START:  DI                      ; the loader left them off; nothing here needs them
        LD      HL,TEXT
        LD      DE,TEXTPOS
        LD      BC,TEXTLEN
        LDIR                    ; copy the text into the character bytes of the row
        HALT                    ; stop: with interrupts off nothing wakes the CPU again
                                ; (JR $ would do the same, busily)

TEXT:
        IF      VERSION == 2
        DB      "HELLO AGAIN, FROM THE UPDATED DISK"
        ELSE
        DB      "HELLO, PC-8801"
        ENDIF
TEXTLEN EQU     $-TEXT
        END     START
