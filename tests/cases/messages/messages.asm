; Messages of several kinds: statement errors, a macro body error, a warning and an
; unresolved label at the end.
        ORG     8000H
START:  LD      A,(IX+1)
START:  NOP
        LD      HL,IXL
        SUB     A,B
BAD     MACRO
        LD      A,%1
        ENDM
        BAD     1 +
        DB      "open
        JP      NOWHERE
        END
