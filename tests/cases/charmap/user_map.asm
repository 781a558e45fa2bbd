; MAPCHR fills the user map, which converts strings only while USER-DEFINED is selected
        CHRMAP "USER-DEFINED"
        DB "ABC"                ; 41 42 43: the identity until MAPCHR
        MAPCHR 41H, 80H, 81H
        DB "ABC"                ; 80 81 43
        MAPCHR 'C'              ; no value changes nothing
        DB "C"                  ; 43
        MAPCHR 1FEH, 1, 2, 3, 4 ; FEh, FFh, then wraps to 00h, 01h
        DB "þÿ"   ; codes 01 02 FE FF: 04 02 01 02
        MAPCHR 'x', 'X' + 100H  ; the low 8 bits of the value
        DB "x"                  ; 58
        CHRMAP "ASCII"
        DB "ABx"                ; 41 42 78
        MAPCHR 'Z', 0           ; set while another map is selected
        CHRMAP "USER-DEFINED"
        DB "AZ", 'A'            ; 80 00 41
        END
