#include "test_support.h"
#include "driver/passes.h"

#include <stdlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "driver/driver.h"

namespace {
SourceContext g_context;
}

void StateDeleter::operator()(AssemblerState *st) const {
  ClearFixups(*st);
  FreeLabelTable(*st);
  FreeTextStore(st->text);
  delete st;
}

StatePtr MakeState() {
  StatePtr st(new AssemblerState);
  CreateNamePool(st->names);
  if (!CreateLabelTable(*st) || !CreateTextStore(st->text)) {
    std::abort();
  }
  ResetForPass(*st);
  return st;
}

void StartLine(AssemblerState &st, const char *line) {
  g_context = SourceContext{};
  g_context.text = line;  // the line being assembled, as the line loop sets it
  st.source.context = &g_context;
  BeginLineScan(st, line, &g_context.conditional);
  st.diag.error = nullptr;
}

void ScratchFolderTest::SetUp() {
  char pattern[] = "/tmp/talvo-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
  home_ = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
}

void ScratchFolderTest::TearDown() {
  std::filesystem::current_path(home_);
  std::filesystem::remove_all(dir_);
}

int WholeRunTest::Run(std::vector<std::string> args, std::string *out) {
  args.insert(args.begin(), "talvo");
  std::vector<char *> argv;
  for (std::string &arg : args) {
    argv.push_back(arg.data());
  }
  auto st = std::make_unique<AssemblerState>();  // RunTalvo makes its tables and frees them
  testing::internal::CaptureStdout();
  const int status = RunTalvo(*st, static_cast<int>(argv.size()), argv.data());
  const std::string printed = testing::internal::GetCapturedStdout();
  if (out != nullptr) {
    *out = printed;
  }
  return status;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TakeError(AssemblerState &st) {
  const std::string text = ErrorText(st);
  st.diag.error = nullptr;
  return text;
}

std::string Text(Msg id, ...) {
  char text[512];
  va_list args;
  va_start(args, id);
  std::vsnprintf(text, sizeof text, MessageText(id), args);
  va_end(args);
  return text;
}

std::string ErrorLine(const char *file, int line, const std::string &text) {
  char prefix[300];
  std::snprintf(prefix, sizeof prefix, "Error %s%5d: ", file, line);
  return prefix + text + "\n";
}

std::string WarningLine(const char *file, int line, const std::string &text) {
  char prefix[300];
  std::snprintf(prefix, sizeof prefix, "Warning %s %d: ", file, line);
  return prefix + text + "\n";
}
