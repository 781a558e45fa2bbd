binclude_slice.bin: binclude_slice.asm \
  slice.mzt

slice.mzt:
