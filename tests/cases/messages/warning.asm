; A warning alone: the message is printed in English and the binary is still written.
        ORG     100H
        CP      A,10
        END
