; DISPC: every source code in display code whatever map is selected, never a shift code
        CHRMAP "MZ-ASCII"
        DISPC ' !"#$%&', "'()*+,-./"   ; 20..2F in both quotes
        DISPC "0123456789:;<=>?"   ; 30..3F
        DISPC "@ABCDEFGHIJKLMNO"   ; 40..4F
        DISPC "PQRSTUVWXYZ[\]^_"   ; 50..5F
        DISPC "`abcdefghijklmno"   ; 60..6F
        DISPC "pqrstuvwxyz{|}~"   ; 70..7F
        DISPC " ¡¢£¤¥¦§¨©ª«¬­®¯"   ; A0..AF
        DISPC "°±²³´µ¶·¸¹º»¼½¾¿"   ; B0..BF
        DISPC "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏ"   ; C0..CF
        DISPC "ÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß"   ; D0..DF
        DISPC '	€Ÿàÿ'   ; other codes: 01 09 1F 80 9F E0 FF
        END
