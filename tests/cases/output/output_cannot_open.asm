; An output file that cannot be created fails the run.
	DB	0
	END
