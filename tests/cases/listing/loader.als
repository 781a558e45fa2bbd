0000                    ; LOADER -- copies a program from its image into RAM and starts it
C000                    ROMBASE EQU     0C000H                  ; where the program runs
0004                    STEPS   = 4                             ; in the label list, not in the symbol file
0000
0000                            ORG     0
0000    F3              START:  DI
0001    31 00 00                LD      SP,0
0004    00 00 00 00             ALIGN   8                       ; four zero bytes
0008    FF FF FF                DS      3,0FFH
000B    00                      ALIGN   4
000C                            ALIGN   4                       ; aligned already: nothing
000C    21 00                   DW      STOP
000E                            PROC                            ; an unnamed scope
000E    21 22 00                LD      HL,IMAGE
0011    11 00 C0                LD      DE,ROMBASE
0014    01 06 00                LD      BC,6
0017    ED B0           STALL:  LDIR
0019                            ENDP
0019    3E 04                   LD      A,STEPS
001B    3D              LOOP:   DEC     A
001C    20 FD                   JR      NZ,LOOP
001E    C3 00 C0                JP      ROMBASE
0021    76              STOP:   HALT
0022                    IMAGE:
