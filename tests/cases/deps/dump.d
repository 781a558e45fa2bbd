main.bin: main.src \
  my\ defs.inc \
  cost$$.inc \
  inc/found.inc \
  data.bin

my\ defs.inc:

cost$$.inc:

inc/found.inc:

data.bin:
