; a run with an error writes no image and no listing
        ORG     0
        LD      A,UNKNOWN
        END
