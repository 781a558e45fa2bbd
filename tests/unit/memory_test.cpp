// The end of a run that runs out of memory: the message on the console after what was printed
// before, and the exit status 255, whether the text store or operator new failed.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "test_support.h"

namespace {

using OutOfMemory = ScratchFolderTest;

// The console of the dying child goes into console.txt, read back here.
std::string Console() {
  std::ifstream file("console.txt", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST_F(OutOfMemory, EndsTheRunWithItsMessageAfterTheConsole) {
  EXPECT_EXIT(
      {
        if (std::freopen("console.txt", "w", stdout) == nullptr) {
          std::abort();
        }
        ConsolePrint("Error main.asm    1: earlier\n");  // still in the stdio buffer
        EndRunOutOfMemory();
      },
      testing::ExitedWithCode(255), "");
  EXPECT_EQ(Console(), std::string("Error main.asm    1: earlier\n") + MessageText(Msg::NoMemory));
}

// AddressSanitizer reports an impossible allocation itself instead of failing it.
#ifndef __SANITIZE_ADDRESS__
TEST_F(OutOfMemory, AFailedNewEndsTheRunThroughTheHandler) {
  EXPECT_EXIT(
      {
        if (std::freopen("console.txt", "w", stdout) == nullptr) {
          std::abort();
        }
        InstallOutOfMemoryHandler();
        volatile size_t huge = SIZE_MAX / 4;
        void *never = ::operator new(huge);
        std::printf("%p\n", never);  // not reached
      },
      testing::ExitedWithCode(255), "");
  EXPECT_EQ(Console(), MessageText(Msg::NoMemory));
}
#endif

}  // namespace
