; Floating blocks of two segments packed into pages: PAGE_ALIGNED blocks first, then IN_PAGE
; blocks largest first into the free page tails. Q2 and Q4 have the same size: Q2 was named
; first, so it is placed first; Q3 lives in scope S, collected after the root scope.
        ORG 8000H
        DW P1, P2, Q1, Q2, Q4, Q5, Q6   ; 8000-800D
S       PROC
        DW Q3                           ; 800E-800F
Q3      IN_PAGE DS 50H, 0B3H
        ENDP
        DS 0A0H, 11H                    ; 8010-80AF
P1      PAGE_ALIGNED DS 120H, 0A1H
Q1      IN_PAGE DS 40H, 0B1H
Q4      IN_PAGE DS 30H, 0B4H
Q2      IN_PAGE DS 30H, 0B2H
        DB 22H                          ; 80B0
        ORG 9000H                       ; the first placement run, from 80B1
        DB 33H, 44H
P2      PAGE_ALIGNED DS 10H, 0A2H
Q5      IN_PAGE DS 0F0H, 0B5H
Q6      IN_PAGE DS 0EH, 0B6H
        END                             ; the second run, from 9002
