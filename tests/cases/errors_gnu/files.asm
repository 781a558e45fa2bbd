; A file that cannot be opened is reported at the INCLUDE line that names it.
        ORG     100H
        NOP
GET     MACRO
        INCLUDE %1
        ENDM
        GET     absent.inc
        END
