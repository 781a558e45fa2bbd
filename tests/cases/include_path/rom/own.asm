; own.inc is both beside this file and in the -I folder lib: the own folder comes first.
        ORG     100H
        INCLUDE own.inc
        END
