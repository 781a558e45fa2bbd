// Per-pass reset of AssemblerState.
#include "driver/state.h"

void ResetForPass(AssemblerState &st) {
  st.pass = PassState{};
  for (int i = 0; i < 256; ++i) {
    st.pass.charmap.user[i] = static_cast<uint8_t>(i);
  }
  st.code.position = 0;
  st.code.end = 0;
  st.code.staging = kImageSize;
  for (int32_t &counter : st.scan.local_counters) {
    counter = 0;
  }
  SelectRootScope(st);
}
