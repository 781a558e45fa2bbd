// Entry point of the talvo program.
#include <cstdio>
#include <memory>

#include "driver/diagnostics.h"
#include "driver/driver.h"
#include "driver/state.h"

int main(int argc, char **argv) {
  InstallOutOfMemoryHandler();
  // The state holds the 128 KiB image, so it lives on the heap.
  auto st = std::make_unique<AssemblerState>();
  return RunTalvo(*st, argc, argv);
}
