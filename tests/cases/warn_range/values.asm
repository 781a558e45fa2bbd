; --warn=range: each operand at both ends of its range (no warning) and one beyond (a warning);
; the bytes are the same with and without the option.
        ORG     100H
        LD      A,255
        LD      A,-128
        LD      A,256           ; warning
        LD      A,-129          ; warning
        LD      A,0FFFFH        ; none: an 8-bit operand of FF80h..FFFFh counts as -128..-1
        LD      A,0FF7FH        ; warning
        ADD     A,1000          ; warning
        OUT     (300),A         ; warning: the port is an 8-bit operand
        LD      (IX+127),-128
        LD      (IX-128),255
        LD      B,(IX+128)      ; warning: the displacement lies beyond +127
        LD      (IY-129),0      ; warning
        LD      HL,65535
        LD      DE,-32768
        LD      BC,65536        ; warning
        JP      -32769          ; warning
        DB      0,255,-128,256  ; warning for 256
        DW      -1,70000        ; warning for 70000
        DS      2,-200          ; warning: the fill byte
        MAPCHR  41H,300         ; warning
        DISPC   260             ; warning
        ; values known only after the last line, checked when they are resolved
        LD      A,BIG           ; warning
        SET     1,(IX+FARDISP)  ; warning
        DW      HUGE*2          ; warning
        DB      SMALL           ; none: a label of -1 holds FFFFh
        LD      A,(IX+BACK)     ; none: FFFCh is the displacement -4
BIG     EQU     2*128
FARDISP EQU     -200
HUGE    EQU     8000H
SMALL   EQU     -1
BACK    EQU     -4
        END
