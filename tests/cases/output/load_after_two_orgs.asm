; Two ORGs before the first byte: the image starts where that byte is assembled, 9000h,
; and without an END operand the program starts there too.
        ORG 8000H
        ORG 9000H
        DB 1
        ORG 0A000H
        DB 2
        END
