; Four PAGE_ALIGNED blocks take the last four pages; the fifth finds none below 10000h, and the
; message names it and the line of its label.
        ORG 0FC00H
A1      PAGE_ALIGNED {
        DB 1
        }
A2      PAGE_ALIGNED {
        DB 2
        }
A3      PAGE_ALIGNED {
        DB 3
        }
A4      PAGE_ALIGNED {
        DB 4
        }
A5      PAGE_ALIGNED {
        DB 5
        }
        END
