; TITLE SCREEN -- texts in the Sharp MZ character sets
        ORG     1200H
TITLE:  DB      "Hello",0               ; ASCII
        CHRMAP  "MZ-ASCII"
LOWER:  DB      "Hello"+80H             ; lower case behind shift codes; +80H once
        CHRMAP  "DISPLAYCODE"
DISP:   DB      "HELLO"
        CHRMAP  "USER-DEFINED"
        MAPCHR  'A',1,2,3
USER:   DB      "ABCD"
        DISPC   "OK",0
        CHRMAP  "ASCII"
        PROC
INNER:  DB      "ok"                    ; a scope's label: not in the root's list
        ENDP
        END
