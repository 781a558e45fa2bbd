; A block without '{' is the rest of its own line, whatever statements and macro calls follow
; on it; both keywords together give a page-aligned block that must stay within 256 bytes.
PAIR    MACRO
        DB %1, %1+1
        ENDM
        ORG 8000H
        DW B1, B2, B3           ; 8000-8005
B1      IN_PAGE DB 1, 2 DB 3    ; three bytes: 8102h
        DB 0EEH                 ; 8006: behind the block again
B2      IN_PAGE PAGE_ALIGNED PAIR 10H   ; the macro's bytes go into the block: 8100h
B3      PAGE_ALIGNED IN_PAGE DW $       ; '$' is the block's address: 8200h
        END
