; the output would replace the file this one copies in
	ORG 8000H
	BINCLUDE data.dat
	END
