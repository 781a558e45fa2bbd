; The source the editor checks read the errors of: a forward reference that fails after the
; last line, a warning, a note about a first definition, and an error in a macro expansion
; inside a REPT inside an included file.
	ORG	8000H
START:	LD	A,(HL+1)
	JR	FAR		; resolved after the last line: out of range
	DS	200
FAR:	LD	A,300		; --warn=range
START:	NOP
	INCLUDE	lib.inc
	END
