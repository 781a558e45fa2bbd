// Entry point of the talvo program.
#include <cstdio>
#include <memory>

#include "base/memory.h"
#include "driver/driver.h"

int main(int argc, char **argv) {
  InstallOutOfMemoryHandler();
  // The state holds the 128 KiB image, so it lives on the heap.
  auto st = std::make_unique<AssemblerState>();
  return RunTalvo(*st, argc, argv);
}
