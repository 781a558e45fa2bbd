// The runs over the sources: the per-pass reset, the assembly pass and the listing pass.
#include "driver/passes.h"

#include "assembler/assembler.h"
#include "output/output.h"
#include "source/source.h"
#include "symbols/symbols.h"

void ResetForPass(AssemblerState &st) {
  st.pass = PassState{};
  SelectRootScope(st);
}

// An empty name is a file that cannot be opened, not the end of the list.
bool RunPass(AssemblerState &st) {
  ResetForPass(st);
  for (size_t i = 0; i < st.options.defines.size(); ++i) {
    if (!AssembleDefine(st, st.options.defines[i].c_str(), static_cast<int32_t>(i + 1))) {
      return false;
    }
  }
  uint32_t offset = st.options.first_source;
  for (int32_t i = 0; i < st.options.source_count; ++i) {
    uint32_t next = 0;
    const char *name = ReadText(st.text, offset, next);
    if (name == nullptr || !AssembleSourceFile(st, name)) {
      return false;
    }
    offset = next;
  }
  return true;
}

bool RunListingPass(AssemblerState &st, std::string &text, std::vector<TraceEvent> *trace) {
  AssembleList list;
  st.listing.list = &list;
  st.listing.trace = trace;
  const bool ok = RunPass(st) && ResolveFixups(st);
  ClearFixups(st);
  st.listing.list = nullptr;
  st.listing.trace = nullptr;
  text = std::move(list.text);
  return ok;
}
