// The end of a run whose memory ran out: a failed operator new and a text store that cannot
// grow both come here, so that no allocation failure aborts or goes unnoticed.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "driver/diagnostics.h"

namespace {
constexpr int kOutOfMemoryStatus = 255;
}

void EndRunOutOfMemory() {
  std::fflush(stdout);
  const char *text = MessageText(Msg::NoMemory);
  (void)!write(STDOUT_FILENO, text, std::strlen(text));
  _exit(kOutOfMemoryStatus);
}

void InstallOutOfMemoryHandler() { std::set_new_handler(EndRunOutOfMemory); }
