; an existing disk 3 bytes longer than the size its header gives
	ORG	8000H
	DB	1,2,3
	END
