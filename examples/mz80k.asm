; mz80k.asm: prints a table of squares through the Sharp MZ-80K monitor (SP-1002), computing
; each square by adding odd numbers, then returns to the monitor.
; Assemble with:  talvo -mSQUARES mz80k.asm   (MZT tape image mz80k.mzt, named SQUARES)
; Load it with the monitor's LOAD command: it loads at 1200h, the monitor's user area, and
; starts there.
;
; The monitor routines used, at their fixed entry points; each keeps BC, DE and HL:
;   LETNL 0006h  start a new line
;   PRNT  0012h  print the character in A
;   MSG   0015h  print the text at DE, up to the 0Dh that ends it (the 0Dh is not printed)
; The program ends with RET: the monitor starts a program with the return address of its
; command loop on the stack, and the program leaves the stack as it found it.
;
; The MZ-80K shows upper case only, and its monitor prints the ASCII codes of upper-case
; letters, digits and punctuation as they are. So the text is upper-case ASCII, the default
; character map. (CHRMAP "MZ-ASCII" turns lower-case letters into shift code pairs for the
; later machines' monitors; upper case comes out the same under both maps.)

LETNL   EQU     0006H
PRNT    EQU     0012H
MSG     EQU     0015H
LAST    EQU     12              ; the table runs from 1 to LAST (LAST*LAST must fit a byte)

        CHRMAP  "ASCII"         ; the default, stated for the reader

        ORG     1200H
START:  CALL    LETNL
        LD      DE,TITLE
        CALL    MSG
        CALL    LETNL
        LD      HL,0            ; H: the number n, L: its square
NEXT:   INC     H
        ; n*n = (n-1)*(n-1) + 2n - 1: each square is the one before plus the next odd number.
        LD      A,L
        ADD     A,H
        ADD     A,H
        DEC     A
        LD      L,A
        LD      A,H             ; "  7 *  7 =  49"
        CALL    PUTNUM
        LD      DE,TIMES
        CALL    MSG
        LD      A,H
        CALL    PUTNUM
        LD      DE,EQUALS
        CALL    MSG
        LD      A,L
        CALL    PUTNUM
        CALL    LETNL
        LD      A,H
        CP      LAST
        JR      C,NEXT
        RET

; PUTNUM: prints A (0 to 255) in three columns, leading zeros as spaces. Keeps HL.
PUTNUM: LD      B,' '           ; what a leading 0 prints as
        LD      C,100
        CALL    DIGIT
        LD      C,10
        CALL    DIGIT
        LD      B,'0'           ; the ones digit shows even when it is 0
        LD      C,1
        ; falls into DIGIT for the ones
; DIGIT: prints how many times C goes into A, and leaves the rest in A. A 0 prints as the
; character in B; after any other digit B becomes '0', so that later zeros show.
DIGIT:  LD      D,-1
@@:     INC     D
        SUB     C
        JR      NC,@B
        ADD     A,C             ; one subtraction too many: undo it
        LD      E,A             ; the rest, while the digit is printed
        LD      A,D
        OR      A
        LD      A,B
        JR      Z,@F            ; a 0: print B
        LD      A,D
        ADD     A,'0'
        LD      B,'0'
@@:     CALL    PRNT            ; the monitor's PRNT may change A and the flags
        LD      A,E
        RET

TITLE:  DB      "SQUARES BY ADDING ODD NUMBERS",0DH
TIMES:  DB      " *",0DH
EQUALS: DB      " =",0DH
        END     START
