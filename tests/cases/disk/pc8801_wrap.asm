; an image that wraps past FFFFh onto C006h-C007h
	ORG	0FF00H
	DS	0C200H
	END
