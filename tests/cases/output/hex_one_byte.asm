; Intel HEX of a single zero byte at address 0.
	DB	0
	END
