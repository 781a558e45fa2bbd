; --warn=org: an ORG that is not where the next byte lands in the image
	ORG	100H		; the image is still empty: no warning
	ORG	8000H		; still empty: the load address is 8000H
	DB	1
	ORG	8001H		; where the next byte lands: no warning
	DB	2
	ORG	8100H		; a gap the image does not have
	DB	3
	ORG	7000H		; an overwrite the image does not do
	DB	4
	END
