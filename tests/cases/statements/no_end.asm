        ORG 100H
        DB 1
