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

TEST(ReadLine, BufferedReadingCutsLinesAsALineByLineReadDoes) {
  // Lines of every length around the 1,023-character limit, across many block refills,
  // with a last line that has no line end: each is one line, whatever its length.
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
  // Both report the same lines as too long (a line of letters is no comment).
  testing::internal::CaptureStdout();
  auto expected = ReadAll(*st, by_line);
  const std::string expected_printed = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  auto actual = ReadAll(*st, by_block);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected_printed);
  EXPECT_EQ(expected.size(), 3001u);
  EXPECT_EQ(by_line.cut_lines, by_block.cut_lines);
  EXPECT_GT(by_block.cut_lines, 0);
  EXPECT_EQ(actual, expected);
  // Lines left in the reader's block, each ended by a NUL over the byte after it.
  std::rewind(buffered);
  auto in_place_reader = std::make_unique<LineReader>();
  SourceContext in_place;
  in_place.file = buffered;
  in_place.reader = in_place_reader.get();
  testing::internal::CaptureStdout();
  EXPECT_EQ(ReadAllInPlace(*st, in_place), expected);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected_printed);
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

// Runs a file whose reads fail once its text is read; what the run printed goes to printed.
FileResult RunFailingFile(AssemblerState &st, const std::string &text, std::string &printed) {
  FailingFile failing{text, 0};
  cookie_io_functions_t io = {ReadThenFail, nullptr, nullptr, nullptr};
  FILE *stream = fopencookie(&failing, "r", io);
  if (stream == nullptr) {
    ADD_FAILURE() << "fopencookie failed";
    return FileResult::Failed;
  }
  const FileResult result = RunFile(st, stream, 1, printed);
  std::fclose(stream);
  return result;
}

TEST(SourceFile, AReadErrorFailsTheFileAfterTheLinesReadBeforeIt) {
  auto st = MakeState();
  std::string printed;
  EXPECT_EQ(RunFailingFile(*st, "\tDB 1\n\tDB 2\n\tDB 3", printed), FileResult::Failed);
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

// The classic text of "line too long" at line 1 of main.asm.
const std::string kTooLongAtLine1 =
    "Error main.asm    1: \x8D\x73\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7(1023\x95\xB6"
    "\x8E\x9A\x82\xDC\x82\xC5)\n";

// Reads text as a file, through a LineReader or line by line: the lines and what was printed.
struct ReadResult {
  std::vector<std::string> lines;
  std::string printed;
  int32_t cut_lines = 0;
};

ReadResult ReadFileText(const std::string &text, bool buffered) {
  auto st = MakeState();
  FILE *file = std::tmpfile();
  EXPECT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  auto reader = std::make_unique<LineReader>();
  SourceContext ctx;
  ctx.file_name = AddName(st->names, "main.asm");
  ctx.file = file;
  ctx.reader = buffered ? reader.get() : nullptr;
  ReadResult result;
  testing::internal::CaptureStdout();
  result.lines = ReadAll(*st, ctx);
  result.printed = testing::internal::GetCapturedStdout();
  result.cut_lines = ctx.cut_lines;
  std::fclose(file);
  return result;
}

TEST(ReadLine, LinesBeyondTheCapacityAreNeverReadAsLinesOfTheirOwn) {
  const std::string kept = ";" + std::string(1022, 'c');
  // A comment cut at 1,023 characters: its rest, longer than a block, is passed over.
  // A line of exactly 1,023 characters, with its line end alone or after a CR, or blanks.
  // A code line cut outside a comment: an empty line, reported.
  const std::string text = kept + " LD A,5" + std::string(200000, 'c') + "\n" +
                           std::string(1023, 'x') + "\n" + std::string(1023, 'y') + "\r\n" +
                           std::string(1023, 'z') + " \t \r\n" + "\tDB " + std::string(1100, '1') +
                           "\n" + "short\n" + std::string(1030, 'e');
  for (bool buffered : {true, false}) {
    SCOPED_TRACE(buffered ? "through a LineReader" : "line by line");
    const ReadResult read = ReadFileText(text, buffered);
    const std::vector<std::string> expected = {kept,
                                               std::string(1023, 'x'),
                                               std::string(1023, 'y'),
                                               std::string(1023, 'z'),
                                               "\n",
                                               "short\n",
                                               "\n"};
    EXPECT_EQ(read.lines, expected);
    EXPECT_EQ(read.printed, kTooLongAtLine1 + kTooLongAtLine1);
    EXPECT_EQ(read.cut_lines, 2);
  }
}

TEST(ReadLine, ACutFallsInACommentOnlyAfterASemicolonOutsideQuotes) {
  struct Case {
    const char *start;
    bool comment;
  };
  const Case cases[] = {
      {"\tDB 1 ;",            true },
      {"\tDB 1;",             true },
      {"\tEX AF,AF' ;",       true }, // AF' is a register, not a quote
      {"\tex af,af';",        true },
      {"\tDB ';' ;",          true },
      {"\tDB '\"' ;",         true }, // a double quote inside single quotes
      {"\tDB \"'\" ;",        true },
      {"\tDB 'it''s' ;",      true },
      {"\tLD A,( ;",          true },
      {"\t\x82\x9F ;",        true }, // Shift-JIS outside quotes is passed over
      {"\tDB \"\x95\x5C\" ;", true },
      {"\tDB ';',",           false},
      {"\tDB \"a;b\",",       false},
      {"\tDB \"a;b",          false}, // the string runs on past the cut
      {"\tDB 'x;",            false},
      {"\tDB XAF' ;",         false}, // XAF is a word: its quote opens a constant
      {"\tDB $AF' ;",         false},
      {"\tDB 1,",             false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.start);
    std::string line = c.start;
    line += std::string(1100 - line.size(), '1') + "\n";
    const ReadResult read = ReadFileText(line + "\tNOP\n", true);
    ASSERT_EQ(read.lines.size(), 2u);
    EXPECT_EQ(read.lines[0], c.comment ? line.substr(0, 1023) : "\n");
    EXPECT_EQ(read.printed, c.comment ? "" : kTooLongAtLine1);
    EXPECT_EQ(read.lines[1], "\tNOP\n");
  }
}

TEST(SourceFile, AReadErrorInTheRestOfACutLineFailsTheFile) {
  auto st = MakeState();
  std::string printed;
  EXPECT_EQ(RunFailingFile(*st, "\tDB 1\n;" + std::string(300000, 'c'), printed),
            FileResult::Failed);
  EXPECT_EQ(printed, "File 'main.asm' cannot be read\n");
  EXPECT_EQ(st->pass.position, 1);
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
