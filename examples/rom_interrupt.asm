; rom_interrupt.asm: a ROM for a bare Z80 system, from address 0000h. It starts at reset, sets
; up interrupt mode 1 and counts in its main loop; every maskable interrupt (RST 38h in mode 1)
; counts a tick, every NMI (at 0066h) counts one of its own.
; Assemble with:  talvo -l rom_interrupt.asm   (raw image rom_interrupt.bin, labels .lst)
;                 talvo -i rom_interrupt.asm   (Intel HEX rom_interrupt.hex, for an EPROM
;                                               programmer)
;
; The image is one contiguous run of bytes: ORG sets the address the next bytes are assembled
; for, but does not move them. So the handlers reach their fixed addresses with DS, which fills
; the gap up to them; an ORG 38H would leave the handler right behind the reset code.

RAM     EQU     8000H           ; RAM from 8000h on, ROM below
STACK   EQU     0               ; the stack grows down from FFFFh

        OFFSET  RAM             ; the variables: only addresses, nothing is stored in the ROM
TICKS:  DS      2               ; maskable interrupts counted
NMIS:   DS      2               ; NMIs counted
LOOPS:  DS      2               ; rounds of the main loop
        END

        ORG     0
RESET:  DI                      ; at reset interrupts are off; keep them off until set up
        LD      SP,STACK
        IM      1               ; a maskable interrupt calls 0038h
        LD      HL,0            ; RAM holds anything after power-on: clear the counters
        LD      (TICKS),HL
        LD      (NMIS),HL
        LD      (LOOPS),HL
        EI
MAIN:   LD      HL,(LOOPS)      ; the main loop: here it only counts its rounds
        INC     HL
        LD      (LOOPS),HL
        JR      MAIN

        DS      38H-$           ; up to the maskable interrupt's address
        ASSERT  $ == 38H
TICK:   PUSH    HL              ; keep the main loop's registers
        LD      HL,(TICKS)
        INC     HL
        LD      (TICKS),HL
        POP     HL
        EI                      ; interrupts back on; the next is taken after RETI
        RETI

        DS      66H-$           ; up to the NMI's address
        ASSERT  $ == 66H
NMI:    PUSH    HL
        LD      HL,(NMIS)
        INC     HL
        LD      (NMIS),HL
        POP     HL
        RETN                    ; back, with interrupts as they were before the NMI
        END     RESET
