#include "test_support.h"

#include <stdlib.h>

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
  if (!CreateLabelTable(*st) || !CreateTextStore(st->text)) {
    std::abort();
  }
  ResetForPass(*st);
  return st;
}

void StartLine(AssemblerState &st, const char *line) {
  g_context = SourceContext{};
  st.context = &g_context;
  BeginLineScan(st, line);
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
