        ORG 100H
        DB VALUE, VALUE >> 8
VALUE = 5678H           ; a -D label is redefinable
        DB VALUE
        END
