; --break at an EQU constant or a '=' label: they are no addresses.
        INCLUDE program.inc
        END START
