// The text store and the line reader: growth, line splitting and argument substitution.
#include <gtest/gtest.h>

#include <errno.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "source/reader.h"
#include "test_support.h"

namespace {

TEST(TextStore, OffsetsStayValidAcrossGrowth) {
  TextStore store;
  ASSERT_TRUE(CreateTextStore(store));
  EXPECT_EQ(store.used, 1u);
  std::vector<uint32_t> offsets;
  for (int i = 0; i < 10000; ++i) {
    offsets.push_back(AppendText(store, "line " + std::to_string(i)));
    ASSERT_NE(offsets.back(), 0u);
  }
  EXPECT_GT(store.capacity, 65536u);
  uint32_t next = 0;
  EXPECT_STREQ(ReadText(store, offsets[4321], next), "line 4321");
  EXPECT_EQ(next, offsets[4322]);
  EXPECT_EQ(ReadText(store, 0, next), nullptr);
  EXPECT_EQ(ReadText(store, store.used, next), nullptr);
  FreeTextStore(store);
}

// Reads every line of a context, made current, into a vector.
std::vector<std::string> ReadAll(AssemblerState &st, SourceContext &ctx) {
  st.source.context = &ctx;
  std::vector<std::string> lines;
  char buffer[kLineCapacity];
  while (ReadLine(st, ctx, buffer)) {
    lines.emplace_back(buffer);
  }
  return lines;
}

// Reads every line of a context as the line loop does, in place where the reader allows,
// and every third line with ReadLine.
std::vector<std::string> ReadAllInPlace(AssemblerState &st, SourceContext &ctx) {
  st.source.context = &ctx;
  std::vector<std::string> lines;
  char buffer[kLineCapacity];
  for (int i = 1;; ++i) {
    const char *line = i % 3 == 0 && ReadLine(st, ctx, buffer) ? buffer : NextLine(st, ctx, buffer);
    if (line == nullptr) {
      return lines;
    }
    lines.emplace_back(line);
  }
}

TEST(ReadLine, LongPhysicalLineIsSplitIntoLinesOf1023) {
  auto st = MakeState();
  FILE *file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::string long_line(1500, 'x');
  std::fputs((long_line + "\nshort\n").c_str(), file);
  std::rewind(file);
  SourceContext ctx;
  ctx.file = file;
  auto lines = ReadAll(*st, ctx);
  std::fclose(file);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(1023, 'x'));
  EXPECT_EQ(lines[1], std::string(477, 'x') + "\n");
  EXPECT_EQ(lines[2], "short\n");
}

TEST(ReadLine, BufferedReadingCutsLinesAsALineByLineReadDoes) {
  // Lines of every length around the 1,023-character limit, across many block refills,
  // with a last line that has no line end.
  std::string text;
  uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245u + 12345u;
    size_t length = (seed >> 8) % 1100;
    if (i % 97 == 0) {
      length = 1023;
    }
    text += std::string(length, static_cast<char>('a' + i % 26)) + "\n";
  }
  text += "tail without line end";
  auto st = MakeState();
  FILE *plain = std::tmpfile();
  FILE *buffered = std::tmpfile();
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(buffered, nullptr);
  std::fputs(text.c_str(), plain);
  std::fputs(text.c_str(), buffered);
  std::rewind(plain);
  std::rewind(buffered);
  SourceContext by_line;
  by_line.file = plain;
  auto reader = std::make_unique<LineReader>();
  SourceContext by_block;
  by_block.file = buffered;
  by_block.reader = reader.get();
  auto expected = ReadAll(*st, by_line);
  auto actual = ReadAll(*st, by_block);
  EXPECT_GT(expected.size(), 3000u);
  EXPECT_EQ(actual, expected);
  // Lines left in the reader's block, each ended by a NUL over the byte after it.
  std::rewind(buffered);
  auto in_place_reader = std::make_unique<LineReader>();
  SourceContext in_place;
  in_place.file = buffered;
  in_place.reader = in_place_reader.get();
  EXPECT_EQ(ReadAllInPlace(*st, in_place), expected);
  std::fclose(plain);
  std::fclose(buffered);
}

TEST(ReadLine, ReplaySubstitutesArguments) {
  auto st = MakeState();
  uint32_t body = AppendText(st->text, "\tLD A,%1\n");
  AppendText(st->text, "\tADD A,%2 ; %0 %% %A %9\n");
  AppendText(st->text, "");
  SourceContext ctx;
  ctx.replay = body;
  ctx.args[0] = AppendText(st->text, "B");
  auto lines = ReadAll(*st, ctx);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "\tLD A,B\n");
  EXPECT_EQ(lines[1], "\tADD A, ; %0 %% %A \n");  // absent arguments insert nothing
  EXPECT_FALSE(ctx.read_failed);
}

TEST(ReadLine, InsertedTextIsNotScannedAgain) {
  auto st = MakeState();
  uint32_t body = AppendText(st->text, "%1%2");
  AppendText(st->text, "");
  SourceContext ctx;
  ctx.replay = body;
  ctx.args[0] = AppendText(st->text, "%2");
  ctx.args[1] = AppendText(st->text, "x");
  auto lines = ReadAll(*st, ctx);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "%2x");
}

TEST(ReadLine, ReplayedLineTooLongFailsTheBody) {
  auto st = MakeState();
  uint32_t body = AppendText(st->text, "DB %1%1%1\n");
  AppendText(st->text, "NOP\n");
  AppendText(st->text, "");
  SourceContext ctx;
  ctx.file_name = AddName(st->names, "main.asm");
  ctx.replay = body;
  ctx.args[0] = AppendText(st->text, std::string(400, '1'));
  testing::internal::CaptureStdout();
  auto lines = ReadAll(*st, ctx);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(ctx.read_failed);
  EXPECT_EQ(out, std::string("Error main.asm     : ") +
                     "\x8D\x73\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7\n");
}

TEST(ReadLine, EmptyBodyHasNoLines) {
  auto st = MakeState();
  SourceContext ctx;  // replay offset 0 and no file: an empty macro body
  EXPECT_TRUE(ReadAll(*st, ctx).empty());
  uint32_t body = AppendText(st->text, "");
  ctx.replay = body;
  EXPECT_TRUE(ReadAll(*st, ctx).empty());
}

TEST(SourceFile, TheCallersContextComesBackWhenTheFileEnds) {
  char path[] = "/tmp/talvo_reader_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const char text[] = "\tNOP\n\tEND\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
  close(fd);
  auto st = MakeState();
  SourceContext outer;
  st->source.context = &outer;
  EXPECT_TRUE(AssembleSourceFile(*st, path));
  EXPECT_EQ(st->source.context, &outer);
  EXPECT_EQ(st->pass.position, 1);
  std::remove(path);
}

// A file that gives its text and then fails to read, as a disk with a bad block does.
struct FailingFile {
  std::string text;
  size_t at = 0;
};

ssize_t ReadThenFail(void *cookie, char *buffer, size_t size) {
  auto *file = static_cast<FailingFile *>(cookie);
  if (file->at >= file->text.size()) {
    errno = EIO;
    return -1;
  }
  const size_t part = std::min(size, file->text.size() - file->at);
  std::memcpy(buffer, file->text.data() + file->at, part);
  file->at += part;
  return static_cast<ssize_t>(part);
}

// Runs the line loop over a file context made from stream, as AssembleSourceFile does.
FileResult RunFile(AssemblerState &st, FILE *stream, int32_t first_line, std::string &printed) {
  SourceContext ctx;
  ctx.file_name = AddName(st.names, "main.asm");
  ctx.line = first_line;
  ctx.file = stream;
  auto reader = std::make_unique<LineReader>();
  ctx.reader = reader.get();
  testing::internal::CaptureStdout();
  const FileResult result = RunLineLoop(st, ctx);
  printed = testing::internal::GetCapturedStdout();
  st.source.context = nullptr;
  return result;
}

TEST(SourceFile, AReadErrorFailsTheFileAfterTheLinesReadBeforeIt) {
  auto st = MakeState();
  FailingFile failing{"\tDB 1\n\tDB 2\n\tDB 3", 0};
  cookie_io_functions_t io = {ReadThenFail, nullptr, nullptr, nullptr};
  FILE *stream = fopencookie(&failing, "r", io);
  ASSERT_NE(stream, nullptr);
  std::string printed;
  EXPECT_EQ(RunFile(*st, stream, 1, printed), FileResult::Failed);
  std::fclose(stream);
  EXPECT_EQ(printed, "File 'main.asm' cannot be read\n");
  EXPECT_EQ(st->pass.position, 3);  // every line before the failed read was assembled
}

FILE *TextFile(const std::string &text) {
  FILE *file = std::tmpfile();
  if (file != nullptr) {
    std::fputs(text.c_str(), file);
    std::rewind(file);
  }
  return file;
}

TEST(SourceFile, LinesBeyondTheLargestLineNumberFailTheFile) {
  auto st = MakeState();
  std::string printed;
  // Lines 2,147,483,646 and 2,147,483,647: the largest number is still a line of its own.
  FILE *two = TextFile("\tNOP\n\tNOP\n");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(RunFile(*st, two, INT32_MAX - 1, printed), FileResult::EndOfInput);
  std::fclose(two);
  EXPECT_EQ(printed, "");

  // One line more fails, with its message, instead of counting on past the largest value.
  FILE *three = TextFile("\tNOP\n\tNOP\n\tNOP\n");
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(RunFile(*st, three, INT32_MAX - 1, printed), FileResult::Failed);
  std::fclose(three);
  EXPECT_EQ(printed, "File 'main.asm' has more than 2147483647 lines\n");
  EXPECT_EQ(st->pass.position, 4);

  // The lines of a macro body count as well, and their capture stops at the limit without
  // asking for an ENDM.
  FILE *body = TextFile("M1\tMACRO\n\tNOP\n\tNOP\n\tENDM\n");
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(RunFile(*st, body, INT32_MAX - 1, printed), FileResult::Failed);
  std::fclose(body);
  EXPECT_EQ(printed, "File 'main.asm' has more than 2147483647 lines\n");
}

}  // namespace
