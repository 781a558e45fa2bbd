; Each mode refuses the directives that would open another mode, and ORG; a block without
; '{' refuses INCLUDE, BINCLUDE and REPT on its line, whose lines would come after it ended.
        ORG 8000H
        DS 10H
        OFFSET 0
        ARRANGE 8000H
B1      IN_PAGE
B2      PAGE_ALIGNED
        ORG 9000H
        OFFSET 10H
        END
        ARRANGE 8000H, 1, 1
        OFFSET
        ARRANGE 8000H
B3      PAGE_ALIGNED
        ORG 9000H
        END
B4      IN_PAGE {
        OFFSET
        ARRANGE 8000H
B5      IN_PAGE
        ORG 9000H
        }
B6      IN_PAGE INCLUDE db4.inc
B7      PAGE_ALIGNED BINCLUDE db4.inc
B8      IN_PAGE PAGE_ALIGNED REPT 2
        ENDM
B9      IN_PAGE OFFSET
        IN_PAGE
        END
