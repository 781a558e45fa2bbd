; --symbols: the label list of one program in each debugger's form, breakpoints in the MAME
; script at a label and at a scope's local label.
        INCLUDE program.inc
        END START
