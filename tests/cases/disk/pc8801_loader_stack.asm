; one byte at F2BFh: the top of the stack the loader runs on while it loads
	ORG	0F2BFH
	DB	0C9H
	END
