; anonymous label references inside expressions, at every precedence level
        ORG     100H
@@:     DB      1                       ; @@ #0 at 0100h
        DW      @B+2*@F                 ; 0100h + 2 * 0107h = 030Eh
        DW      (@F-@B)/2               ; 3
        DB      @F-@B-6                 ; 1
        DB      -@B&0FFH                ; -0100h & 0FFh = 0
@@:     DB      @B>>8, @B&255           ; @@ #1 at 0107h: 01h, 07h
@1:     DW      (@1B>>8):(@1F&0FFH)     ; @1 #0 at 0109h; 01h : low byte of 0111h
        DB      @1F>@1B, @1F==@1B, @1F!=@1B||0, @1B<=@1F&&1, !@1B, ~@1B&1
@1:     DW      @1B-@B                  ; @1 #1 at 0111h: 0111h - 0107h = 0Ah
        JR      @B                      ; to 0107h from 0115h: F2h
        DJNZ    @1B                     ; to 0111h from 0117h: FAh
        LD      HL,@B*2+@1B             ; 020Eh + 0111h = 031Fh
        LD      A,(@B)                  ; LD A,(0107h)
@@:     LD      (IX+@B-@B+5),A          ; @@ #2 at 011Dh: displacement 5
        DW      @2F-@B                  ; 0122h - 011Dh = 5
@2:     DB      @2B==$                  ; 1
        END
