; common.inc is in a -I folder; it includes sub.inc from its own folder.
        ORG     100H
        INCLUDE common.inc
        END
