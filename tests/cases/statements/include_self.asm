        DB 1
        INCLUDE include_self.asm
        END
