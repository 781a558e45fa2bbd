; An empty string has no byte to receive the addition: nothing outside the string is touched.
        DB "" + 80H
        DB 1, "" + 80H, 2
        DB "A" + 1, ""
        END
