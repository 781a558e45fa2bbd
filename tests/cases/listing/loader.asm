; LOADER -- copies a program from its image into RAM and starts it
ROMBASE EQU     0C000H                  ; where the program runs
STEPS   = 4                             ; in the label list, not in the symbol file

        ORG     0
START:  DI
        LD      SP,0
        ALIGN   8                       ; four zero bytes
        DS      3,0FFH
        ALIGN   4
        ALIGN   4                       ; aligned already: nothing
        DW      STOP
        PROC                            ; an unnamed scope
        LD      HL,IMAGE
        LD      DE,ROMBASE
        LD      BC,6
STALL:  LDIR
        ENDP
        LD      A,STEPS
LOOP:   DEC     A
        JR      NZ,LOOP
        JP      ROMBASE
STOP:   HALT
IMAGE:  BINCLUDE "image.dat"
        END     START
