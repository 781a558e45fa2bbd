// The placement run of floating blocks and the copy of placed blocks into the image.
#include <algorithm>

#include "driver/state.h"

bool PlaceBlocks(AssemblerState &st) {
  // Floating blocks are collected here once they can be opened; with none pending there is
  // nothing to place.
  st.pass.floating.pending = false;
  return true;
}

bool CopyPlacedBlocks(AssemblerState &st) {
  for (const AssemblerState::PlacementRecord &record : st.placements) {
    if (record.source < kImageSize || record.destination < 0 || record.size < 0 ||
        record.source + record.size > kCodeBufferSize ||
        record.destination + record.size > kImageSize) {
      return false;
    }
    std::copy_n(st.code.bytes.begin() + record.source, record.size,
                st.code.bytes.begin() + record.destination);
  }
  st.placements.clear();
  return true;
}
