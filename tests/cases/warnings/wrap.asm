; --warn=wrap: the location counter passes FFFFH, once in the run
	ORG	0FFFEH
	DB	1,2		; up to FFFFH: no warning
	DB	3		; at 10000H
	DB	4		; said once
	END
