; Each map converts every source code of the tables; the codes outside them stay as they are
        CHRMAP "ASCII"
        INCLUDE "table_rows.inc"
        CHRMAP "MZ-ASCII"
        INCLUDE "table_rows.inc"
        CHRMAP "MZ-ASCII-EU"
        INCLUDE "table_rows.inc"
        CHRMAP "DISPLAYCODE"
        INCLUDE "table_rows.inc"
        CHRMAP "DISPLAYCODE-EU"
        INCLUDE "table_rows.inc"
        END
