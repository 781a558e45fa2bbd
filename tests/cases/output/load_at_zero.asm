; A ROM assembled from 0 with its work area set by a later ORG (no byte follows it): the
; records start at 0000h, where the first byte was assembled.
        ORG 0
        DB 1,2
        ORG 1000H
WORK:   END
