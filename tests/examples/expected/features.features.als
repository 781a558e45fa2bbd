0000                    ; features.asm: a short tour of the language on a plain Z80. The program sums a table of bytes
0000                    ; copied from a binary file, leaves the sum in HL and in SUM, writes it as four hex digits and a
0000                    ; 0 into TEXT, and returns.
0000                    ; Assemble with:  talvo -I include -x -l features.asm
0000                    ;   features.bin  the image, to be loaded and called at 8000h
0000                    ;   features.als  the assemble list (-x): every line with its address and bytes, the lines
0000                    ;                 of each macro and REPT expansion after the line that called it
0000                    ;   features.lst  the label list (-l): the labels of the outermost scope
0000                    ; It shows: INCLUDE (through -I), BINCLUDE, a macro with declared parameters and a default,
0000                    ; REPT, PROC scopes with labels of their own, anonymous labels, OFFSET and an IN_PAGE block.
0000
0000                    ; features.inc: the work area and a macro for features.asm. It is not beside features.asm:
0000                    ; talvo finds it through -I include.
0000
0000                    ; The work area, laid out with OFFSET: the labels get addresses, the image gets no bytes.
9000                            OFFSET  9000H
9000                    SUM:    DS      2               ; the sum of the table
9002                    TEXT:   DS      5               ; the sum as four hex digits and a 0
0000                            END
0000
0000                    ; PUTDIGIT reg, shift=0: stores at DE the hex digit of the four bits of reg from bit shift on,
0000                    ; and steps DE on. The parameters are declared by name; shift may be left out.
0000
8000                            ORG     8000H
8000    21 4A 80        START:  LD      HL,TABLE
8003    06 10                   LD      B,TABLE_END-TABLE
8005    CD 31 80                CALL    SUMUP           ; HL = the sum of the B bytes at HL
8008    22 00 90                LD      (SUM),HL
800B    11 02 90                LD      DE,TEXT
800E                            PUTDIGIT H, 4           ; the high digit of H: four RRCA first
800E    7C                      LD      A,H
800F    0F                      RRCA
8010                            ENDM
8010    0F                      RRCA
8011                            ENDM
8011    0F                      RRCA
8012                            ENDM
8012    0F                      RRCA
8013                            ENDM
8013    CD 3F 80                CALL    DIGIT
8016    12                      LD      (DE),A
8017    13                      INC     DE
8018                            ENDM
8018                            PUTDIGIT H              ; shift left out: 0
8018    7C                      LD      A,H
8019    CD 3F 80                CALL    DIGIT
801C    12                      LD      (DE),A
801D    13                      INC     DE
801E                            ENDM
801E                            PUTDIGIT L, 4
801E    7D                      LD      A,L
801F    0F                      RRCA
8020                            ENDM
8020    0F                      RRCA
8021                            ENDM
8021    0F                      RRCA
8022                            ENDM
8022    0F                      RRCA
8023                            ENDM
8023    CD 3F 80                CALL    DIGIT
8026    12                      LD      (DE),A
8027    13                      INC     DE
8028                            ENDM
8028                            PUTDIGIT L
8028    7D                      LD      A,L
8029    CD 3F 80                CALL    DIGIT
802C    12                      LD      (DE),A
802D    13                      INC     DE
802E                            ENDM
802E    AF                      XOR     A
802F    12                      LD      (DE),A          ; the text ends with a 0
8030    C9                      RET
8031
8031                    ; SUMUP: HL = the sum of the B bytes at HL, B from 1 to 255 (DE changes).
8031                    SUMUP   PROC                    ; a scope: LOOP belongs to SUMUP alone
8031    EB                      EX      DE,HL
8032    21 00 00                LD      HL,0
8035    1A              LOOP:   LD      A,(DE)
8036    85                      ADD     A,L
8037    6F                      LD      L,A
8038    30 01                   JR      NC,@F           ; @F: the next @@ below
803A    24                      INC     H
803B    13              @@:     INC     DE
803C    10 F7                   DJNZ    LOOP
803E    C9                      RET
803F                            ENDP
803F
803F                    ; DIGIT: A = the hex digit, in ASCII, of the low four bits of A.
803F                    DIGIT   PROC
803F    E5                      PUSH    HL
8040    E6 0F                   AND     0FH
8042    21 5A 80                LD      HL,DIGITS
8045    85                      ADD     A,L             ; only L is added to: DIGITS never crosses a page boundary
8046    6F                      LD      L,A
8047    7E                      LD      A,(HL)
8048    E1                      POP     HL
8049    C9                      RET
804A                            ENDP
804A
804A                    TABLE:
805A                    TABLE_END:
805A
805A                    ; A floating block: placed after the code, where it fits within one 256-byte page.
805A    30 31 32 33     DIGITS  IN_PAGE DB "0123456789ABCDEF"
805E    34 35 36 37
8062    38 39 41 42
8066    43 44 45 46
