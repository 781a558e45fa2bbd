#include "test_support.h"

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
  st.scan.pos = line;
  st.scan.lookahead_end = line;
  st.diag.error = nullptr;
}
