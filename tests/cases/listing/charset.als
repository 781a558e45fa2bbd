0000                    ; TITLE SCREEN -- texts in the Sharp MZ character sets
1200                            ORG     1200H
1200    48 65 6C 6C     TITLE:  DB      "Hello",0               ; ASCII
1204    6F 00
1206                            CHRMAP  "MZ-ASCII"
1206    48 05 45 4C     LOWER:  DB      "Hello"+80H             ; lower case behind shift codes; +80H once
120A    4C 4F 85
120D                            CHRMAP  "DISPLAYCODE"
120D    08 05 0C 0C     DISP:   DB      "HELLO"
1211    0F
1212                            CHRMAP  "USER-DEFINED"
1212                            MAPCHR  'A',1,2,3
1212    01 02 03 44     USER:   DB      "ABCD"
1216    0F 0B 00                DISPC   "OK",0
1219                            CHRMAP  "ASCII"
1219                            PROC
1219    6F 6B           INNER:  DB      "ok"                    ; a scope's label: not in the root's list
121B                            ENDP
