; 日本語のコメント (a Shift-JIS comment)
	ORG	8000H
MSG:	DB	"日本",ZERO+
	LD	A,(IX+'あ')	; あ
	DB	"テキスト",1/ZERO
ZERO	EQU	0
	END
