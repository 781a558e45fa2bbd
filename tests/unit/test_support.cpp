#include "test_support.h"

#include <cstdlib>

namespace {
SourceContext g_context;
}

std::unique_ptr<AssemblerState> MakeState() {
  auto st = std::make_unique<AssemblerState>();
  if (!CreateLabelTable(*st) || !CreateTextStore(st->text)) {
    std::abort();
  }
  ResetForPass(*st);
  return st;
}

void StartLine(AssemblerState &st, const char *line) {
  g_context = SourceContext{};
  st.context = &g_context;
  st.scan.pos = line;
  st.scan.lookahead_end = line;
  st.diag.error = nullptr;
}
