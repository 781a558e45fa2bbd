; An offset at the very end with a length of 1 runs one byte past the file.
        ORG     1200H
        BINCLUDE "slice.mzt", 144, 1
        END
