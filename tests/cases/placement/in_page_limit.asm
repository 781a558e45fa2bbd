; An IN_PAGE block may hold 256 bytes; its 257th byte fails, once per block.
        ORG 8000H
FULL    IN_PAGE DS 256
OVER    IN_PAGE {
        DS 256
        NOP
        NOP
        }
        END
