        ORG 8001H
        DB 0AAH
        ALIGN 4
        DB 0BBH
        ALIGN 1
        DB 0CCH
        ALIGN 256
        DB 0DDH
        END
