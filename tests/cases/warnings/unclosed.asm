; --warn=unclosed: scopes still open at the end of the run, innermost first
	ORG	100H
OUTER	PROC
	NOP
INNER	{
	NOP
DONE	PROC
	ENDP
	END
