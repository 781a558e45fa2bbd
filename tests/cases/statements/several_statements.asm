; several statements on a line, and a label followed by a statement
        ORG 0C000H
HERE:   DB 1 DB 2 ; two statements
        DB 3, 4 DW 5
THERE: DB THERE-HERE
        END
