; Console dump: the first line starts at its 8-byte boundary, each byte in its column.
	ORG	8005H
	DB	0AAH,0BBH,0CCH
	DB	1,2,3,4,5,6,7,8,9,10
	END
