#include "test_support.h"

#include <stdlib.h>

#include <cstdlib>

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
