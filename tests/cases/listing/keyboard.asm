; KEYBOARD DRIVER -- a jump table to entry points exported with '::' from their scopes;
; their names w, K and k are listed as K, k, w (byte order: upper case first)
ENTRIES EQU     4
        ORG     4000H
        JP      INIT
        JP      w
        JP      K
        JP      k
DRIVER  PROC
INIT::  XOR     A
        LD      (STATE),A
        RET
w::     LD      A,(STATE)
        RET
SCAN    PROC
K::     IN      A,(0)
        RET
k::     CALL    K
        CPL
        RET
        ENDP
        ENDP
STATE:  DB      0
KEYTAB: DB      "qwertyuiop"
        END
