// The order of an assembly run: the tables, the command line, the assembly pass, the passes
// after the last line, the outputs, and the exit status.
#include "driver/driver.h"

#include <cstdio>
#include <string>

#include "assembler/assembler.h"
#include "driver/options.h"
#include "driver/outputs.h"
#include "driver/passes.h"
#include "source/source.h"
#include "symbols/symbols.h"

namespace {

constexpr size_t kNameBufferSize = 256;

int Finish(AssemblerState &st, int status) {
  ClearFixups(st);
  FreeLabelTable(st);
  FreeTextStore(st.text);
  std::fflush(stdout);
  return status;
}

// After the last line: the placement run, the resolution of the forward references and the
// copy of the placed blocks; false (reported) when one fails.
bool FinishImage(AssemblerState &st) {
  if (!CheckPlacementModesClosed(st) || !PlaceBlocks(st)) {
    ReportStatementError(st);
    return false;
  }
  if (!ResolveFixups(st)) {
    return false;
  }
  if (!CopyPlacedBlocks(st)) {
    ReportStatementError(st);
    return false;
  }
  return true;
}

}  // namespace

int RunTalvo(AssemblerState &st, int argc, char **argv) {
  if (argc <= 1) {
    PrintUsage();
    return 0;
  }
  // --messages and --errors hold for this run only.
  const MessageSettingsScope settings;
  CreateNamePool(st.names);
  if (!CreateLabelTable(st)) {
    ConsoleMessage(Msg::CantInitLabelTable);
    return kExitFailure;
  }
  if (!CreateTextStore(st.text)) {
    ConsoleMessage(Msg::CantInitTextStore);
    return Finish(st, kExitFailure);
  }
  bool have_source = false;
  const ParseResult parsed = ParseArguments(st, argc, argv, have_source);
  if (parsed.outcome == ParseOutcome::Exit) {
    return Finish(st, parsed.status);
  }
  if (!have_source) {
    return Finish(st, NoSourceLeft(st.options).status);
  }
  if (AppendText(st.text, "") == 0) {
    ConsoleMessage(Msg::CantInitTextStore);
    return Finish(st, kExitFailure);
  }
  if (!st.options.output_given) {
    uint32_t unused = 0;
    std::string name = ReadText(st.text, st.options.first_source, unused);
    if (name.size() >= kNameBufferSize || !ReplaceExtension(name, st.options.extension)) {
      ConsoleMessage(Msg::InputNameTooLong);
      return Finish(st, kExitFailure);
    }
    st.options.output_name = name;
  }
  WarnNamesCut(st);

  bool assembled = RunPass(st);
  WarnScopesLeftOpen(st);
  if (!assembled) {
    // Resolve anyway, so that unresolved labels are reported too (unless the error-line limit
    // has stopped the run: nothing more would be printed).
    if (!st.diag.stopped) {
      (void)ResolveFixups(st);
    }
  } else {
    assembled = FinishImage(st);
  }
  FinishDiagnostics(st, assembled);
  if (!assembled) {
    return Finish(st, kExitFailure);
  }
  // --warn=error: a warning fails the run as an error would, before anything is written.
  if (st.options.warnings_fail && st.diag.warning_lines > 0) {
    return Finish(st, kExitFailure);
  }
  const Image image = ImageOfRun(st);
  if (image.length == 0) {
    ConsoleMessage(Msg::BinaryEmpty);
    return Finish(st, kExitFailure);
  }
  return Finish(st, WriteOutputs(st, image) ? 0 : kExitFailure);
}
