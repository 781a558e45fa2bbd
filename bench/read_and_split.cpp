// The benchmark's floor: reads a file in 64 KiB blocks and splits it into lines and
// blank-separated words, and does nothing else. No assembler can do less with its input, so
// talvo's time is compared with this program's.
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBlockSize = size_t{64} * 1024;

struct Counts {
  uint64_t lines = 0;
  uint64_t words = 0;
  uint64_t checksum = 0;  // keeps the compiler from dropping the words unread
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void SplitLine(const char *p, const char *end, Counts &counts) {
  for (;;) {
    while (p < end && IsBlank(*p)) {
      ++p;
    }
    if (p == end) {
      break;
    }
    const char *word = p;
    while (p < end && !IsBlank(*p)) {
      ++p;
    }
    ++counts.words;
    counts.checksum += static_cast<uint64_t>(p - word) * 31 + static_cast<uint8_t>(*word);
  }
  ++counts.lines;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_and_split FILE\n");
    return 2;
  }
  FILE *file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  static char block[kBlockSize];
  size_t kept = 0;  // the unfinished line at the front of the block
  Counts counts;
  for (;;) {
    const size_t got = std::fread(block + kept, 1, kBlockSize - kept, file);
    if (got == 0) {
      if (kept > 0) {
        SplitLine(block, block + kept, counts);
      }
      break;
    }
    const char *p = block;
    const char *end = block + kept + got;
    while (const auto *newline = static_cast<const char *>(std::memchr(p, '\n', end - p))) {
      SplitLine(p, newline, counts);
      p = newline + 1;
    }
    kept = static_cast<size_t>(end - p);
    if (kept == kBlockSize) {  // a line longer than the block is cut where the block ends
      SplitLine(block, end, counts);
      kept = 0;
    } else {
      std::memmove(block, p, kept);
    }
  }
  std::fclose(file);
  std::printf("%llu lines, %llu words, checksum %llu\n",
              static_cast<unsigned long long>(counts.lines),
              static_cast<unsigned long long>(counts.words),
              static_cast<unsigned long long>(counts.checksum));
  return 0;
}
