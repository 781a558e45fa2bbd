; DS in an OFFSET section only moves the location, which wraps at 64 KiB: a size of billions
; ends at once where the byte-by-byte count would have ended.
        ORG 100H
        OFFSET 5
A1:     DS 7FFFFFFFH
A2:     DS 10001H
A3:     DS 20000H
A4:
        END
        DW A1,A2,A3,A4          ; 05 00 04 00 05 00 05 00
        END
