; scopes: the same name in two scopes, outward resolution, global labels from inside
        ORG 9000H
VALUE   EQU 77H
FIRST   PROC
LOCAL:  DB VALUE, LOCAL & 0FFH
        DB SHARED
SHARED:: DB 1
        ENDP
SECOND {
LOCAL:  DB LOCAL & 0FFH, FIRST & 0FFH
        }
        END
