0000                    ; KEYBOARD DRIVER -- a jump table to entry points exported with '::' from their scopes;
0000                    ; their names w, K and k are listed as K, k, w (byte order: upper case first)
0004                    ENTRIES EQU     4
4000                            ORG     4000H
4000    C3 0C 40                JP      INIT
4003    C3 11 40                JP      w
4006    C3 15 40                JP      K
4009    C3 18 40                JP      k
400C                    DRIVER  PROC
400C    AF              INIT::  XOR     A
400D    32 1D 40                LD      (STATE),A
4010    C9                      RET
4011    3A 1D 40        w::     LD      A,(STATE)
4014    C9                      RET
4015                    SCAN    PROC
4015    DB 00           K::     IN      A,(0)
4017    C9                      RET
4018    CD 15 40        k::     CALL    K
401B    2F                      CPL
401C    C9                      RET
401D                            ENDP
401D                            ENDP
401D    00              STATE:  DB      0
401E    71 77 65 72     KEYTAB: DB      "qwertyuiop"
4022    74 79 75 69
4026    6F 70
