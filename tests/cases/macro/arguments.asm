; arguments split at commas; blanks before a comment or the line end are dropped
	ORG 0
SHOW	MACRO
	DB "[%1][%2][%3]"
	ENDM
	SHOW	a b , c	; blanks inside and before a comma stay
	SHOW x ;comment dropped
	SHOW y;z
	SHOW ,second
	SHOW 'p,q'	; there is no quoting: the comma separates
KEEP	MACRO
	DB "%0%%%A%%1"
	ENDM
	KEEP X
NINE	MACRO
	DB %9,%1
	ENDM
	NINE 1,2,3,4,5,6,7,8,9,10
	END
