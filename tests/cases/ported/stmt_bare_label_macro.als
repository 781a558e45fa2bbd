0000                    ; A macro's name followed by an instruction word stays a call of the macro, the word its
0000                    ; argument: a name in the first column is a label without its colon only where no macro of
0000                    ; that name is known at its line. Before, this source failed at line 19 only, as
0000                    ;   Error stmt_bare_label_macro.asm   19: Undefined identifier 'LATER'
0000                    ; and its assemble list showed OUTER's NEAR body (DB 2) for the call at line 31, which calls
0000                    ; the NEAR of the global scope: the assemble list now lists the body each call assembled.
0100                            ORG     100H
0100                    TWICE   NOP                     ; a call: 00 00
0100    00                      NOP
0101    00                      NOP
0102                            ENDM
0102                    TWICE   INC A                   ; 3C 3C
0102    3C                      INC A
0103    3C                      INC A
0104                            ENDM
0104                    X:      EQU     5               ; a call too, as before: EE (": EQU 5" is its argument)
0104    EE                      DB      0EEH
0105                            ENDM
0105                    SCOPE   PROC
0105    00              LATER   NOP                     ; no macro LATER is known here: a label of SCOPE, 105h: 00
0106                    TWICE   RET                     ; a macro of an enclosing scope is called: C9 C9
0106    C9                      RET
0107    C9                      RET
0108                            ENDM
0108                            ENDP
0108                            LATER                   ; DD
0108    DD                      DB      0DDH
0109                            ENDM
0109                    OUTER   PROC
0109                    INNER   PROC
0109                            NEAR                    ; the NEAR of the global scope: 01
0109    01                      DB      1
010A                            ENDM
010A                            ENDP
010A                            NEAR                    ; 02
010A    02                      DB      2
010B                            ENDM
010B                            ENDP
