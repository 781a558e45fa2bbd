; an existing disk whose header is all 00h: no disk size, no track
	ORG	0
	DB	1,2,3
	END
