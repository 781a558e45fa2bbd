stmt_defm_incbin.bin: stmt_defm_incbin.asm \
  stmt_files/two.bin \
  stmt_files/lib/five.bin

stmt_files/two.bin:

stmt_files/lib/five.bin:
