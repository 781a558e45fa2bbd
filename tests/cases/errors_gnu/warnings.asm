; Warnings leave the status 0 and the output is written; without END the last line is named.
        ORG     100H
CLEAR   MACRO
        SUB     A,A
        ENDM
        CLEAR
        REPT    2
        CLEAR
        ENDM
        LD      A,300
        DB      LATER
LATER   EQU     256
