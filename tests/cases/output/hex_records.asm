; Intel HEX: 20 bytes give one full record and one of 4 bytes, then the end record.
	ORG	8000H
	DB	00H,01H,02H,03H,04H,05H,06H,07H,08H,09H,0AH,0BH,0CH,0DH,0EH,0FH
	DB	10H,11H,12H,13H
	END
