; MZT: lower-case runs of the name are bracketed by 05h; load and execution addresses.
	ORG	1200H
	LD	A,1
	RET
	END	1201H
