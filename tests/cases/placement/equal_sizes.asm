; Blocks of equal size are placed in collection order: the root scope first, then the scopes
; in the order they were opened; within a scope, in the order the names were first used. Each
; IN_PAGE block goes to the roomier of the two pages before the last: LATE 8108h, EARLY 800Dh,
; IN0 8118h, IN1 801Dh, IN2 8128h; ALIGN2 takes page 8100h, ALIGN1 page 8200h.
        ORG 8000H
        DW LATE, EARLY, ALIGN2, ALIGN1  ; LATE and ALIGN2 are named before the others
S1      PROC
        DW IN1                  ; 8008
IN1     IN_PAGE DS 10H, 31H     ; scope S1: after the root blocks
        ENDP
S2      PROC
        DW IN2                  ; 800A
IN2     IN_PAGE DS 10H, 32H     ; scope S2: after scope S1
        ENDP
IN0     IN_PAGE DS 10H, 30H     ; root, named here first: after LATE and EARLY
EARLY   IN_PAGE DS 10H, 01H
LATE    IN_PAGE DS 10H, 02H
ALIGN1  PAGE_ALIGNED DS 8, 0A1H
ALIGN2  PAGE_ALIGNED DS 8, 0A2H
        DB 0FFH                 ; 800C
        END
