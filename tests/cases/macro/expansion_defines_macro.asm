; A macro whose body includes a file that defines another macro: the definition
; stays usable after the expansion that made it has ended.
LOADDEFS MACRO
	DB %1
	INCLUDE twice_macro.inc
	DB %2
	ENDM
	ORG 8000H
	LOADDEFS 11H, 22H
	TWICE 33H
	END
