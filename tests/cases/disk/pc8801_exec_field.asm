; an image over C006h-C007h, where the loader reads the execution address after the load
	ORG	0A000H
	DS	4000H
	END	0A000H
