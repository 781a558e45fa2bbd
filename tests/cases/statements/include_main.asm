; INCLUDE with quoted and plain names; END inside an included file ends only that file
        ORG 0D000H
        DB 1
        INCLUDE "part.inc" ; comment
        DB 3
        INCLUDE part2.inc
        BINCLUDE "blob.dat"
        BINCLUDE empty.dat
        DB PARTVAL
        END
