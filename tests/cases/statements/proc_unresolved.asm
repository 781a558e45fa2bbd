        ORG 9000H
        PROC
INNER_ONLY: DB 0
        ENDP
        DB INNER_ONLY, MISSING, MISSING
        DW @F, @B
        END
