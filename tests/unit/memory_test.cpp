// The end of a run that runs out of memory: the message on the console after what was printed
// before, and the exit status 255, whether the text store or operator new failed.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "base/memory.h"
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
  EXPECT_EQ(Console(),
            std::string("Error main.asm    1: earlier\n") + MessageText(Msg::NoMemory) + "\n");
}

// AddressSanitizer reports an impossible allocation itself instead of failing it.
#ifndef __SANITIZE_ADDRESS__
// Asks allocate for an impossible block in a child with the handler installed: the run must end
// with the out-of-memory message alone and status 255.
void ExpectImpossibleBlockEndsTheRun(void *(*allocate)(size_t)) {
  EXPECT_EXIT(
      {
        if (std::freopen("console.txt", "w", stdout) == nullptr) {
          std::abort();
        }
        InstallOutOfMemoryHandler();
        volatile size_t huge = SIZE_MAX / 4;
        void *never = allocate(huge);
        std::printf("%p\n", never);  // not reached
      },
      testing::ExitedWithCode(255), "");
  EXPECT_EQ(Console(), std::string(MessageText(Msg::NoMemory)) + "\n");
}

TEST_F(OutOfMemory, AFailedNewEndsTheRunThroughTheHandler) {
  ExpectImpossibleBlockEndsTheRun([](size_t bytes) { return ::operator new(bytes); });
}

// A large block the system cannot give ends the run like a failed operator new.
TEST_F(OutOfMemory, ALargeBlockTheSystemRefusesEndsTheRun) {
  ExpectImpossibleBlockEndsTheRun(AllocateLarge);
}
#endif

// Sizes that round up to a whole number of 2 MiB pages, or just miss one: the rounding must
// never hand back a block shorter than asked for.
TEST(LargeBlocks, HoldEveryByteAskedForAndGrowAsVectors) {
  for (size_t bytes :
       {size_t{2}, size_t{4096}, (size_t{1} << 20) - 1, size_t{1} << 20, (size_t{2} << 20) - 1,
        size_t{2} << 20, (size_t{2} << 20) + 1, (size_t{5} << 20) + 3}) {
    auto *block = static_cast<unsigned char *>(AllocateLarge(bytes));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[bytes - 1] = 2;
    EXPECT_EQ(block[0] + block[bytes - 1], 3) << bytes;
    FreeLarge(block, bytes);
  }
  FreeLarge(nullptr, size_t{8} << 20);  // nothing to release

  std::vector<uint32_t, LargeAllocator<uint32_t>> values;
  for (uint32_t i = 0; i < 1'500'000; ++i) {  // grows from small blocks to large ones
    values.push_back(i * 7);
  }
  uint64_t sum = 0;
  for (uint32_t value : values) {
    sum += value;
  }
  EXPECT_EQ(sum, uint64_t{7} * 1'499'999 * 1'500'000 / 2);
}

}  // namespace
