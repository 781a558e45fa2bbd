; ARRANGE refusals: an address outside the part of the segment assembled so far, numbers that
; do not pair, an undetermined number, and a byte beyond the area assembled before the ARRANGE.
        ORG 8000H
        DS 4
        ARRANGE 7FFFH           ; below the segment
        ARRANGE 8004H           ; not assembled yet
        ARRANGE 8000H, 1, 1, 1
        ARRANGE 8000H, FWD
        ARRANGE 8001H, 1, 1
        DB 1, 2                 ; 8001, 8003
        DB 3                    ; 8005: beyond 8003h
        END
FWD:    END
