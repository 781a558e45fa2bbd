; The -D text is no file: its errors name the program and say where they come from.
        ORG     100H
        DB      X
        END
