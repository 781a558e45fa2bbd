; A macro's name followed by an instruction word stays a call of the macro, the word its
; argument: a name in the first column is a label without its colon only where no macro of
; that name is known at its line. Before, this source failed at line 19 only, as
;   Error stmt_bare_label_macro.asm   19: Undefined identifier 'LATER'
; and its assemble list showed OUTER's NEAR body (DB 2) for the call at line 31, which calls
; the NEAR of the global scope: the assemble list now lists the body each call assembled.
        ORG     100H
TWICE   MACRO
        %1
        %1
        ENDM
TWICE   NOP                     ; a call: 00 00
TWICE   INC A                   ; 3C 3C
X       MACRO
        DB      0EEH
        ENDM
X:      EQU     5               ; a call too, as before: EE (": EQU 5" is its argument)
SCOPE   PROC
LATER   NOP                     ; no macro LATER is known here: a label of SCOPE, 105h: 00
TWICE   RET                     ; a macro of an enclosing scope is called: C9 C9
        ENDP
LATER   MACRO                   ; a macro of that name, defined afterwards in the outer scope
        DB      0DDH
        ENDM
        LATER                   ; DD
NEAR    MACRO
        DB      1
        ENDM
OUTER   PROC
INNER   PROC
        NEAR                    ; the NEAR of the global scope: 01
        ENDP
NEAR    MACRO                   ; OUTER's own NEAR, defined after the call above
        DB      2
        ENDM
        NEAR                    ; 02
        ENDP
        END
