; A block whose place lies beyond the end of the 64 KiB image is not placed: the run fails.
        ORG 0F000H
        DS 1000H                ; image 0000h-0FFFh
        ORG 0
        DS 0E000H               ; image 1000h-EFFFh
BLK     PAGE_ALIGNED DS 2000H   ; E000h: image F000h-10FFFh
        END
