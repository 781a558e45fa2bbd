; The texts of ERROR and ASSERT in a UTF-8 source are printed in the messages' encoding:
; Shift-JIS here.
        ORG     1200H
        ASSERT  0, "サイズが大きすぎます"
        ERROR   "停止"
        END
