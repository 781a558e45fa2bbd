// Character maps for DB strings.
#include "driver/state.h"

bool EmitMappedChar(AssemblerState &st, uint8_t c) { return EmitByte(st, c); }

bool CloseShift(AssemblerState &) { return true; }
