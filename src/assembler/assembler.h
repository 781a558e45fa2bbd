// Statement loop and pseudo-instructions, the code buffer with its forward references,
// placement, character maps and the listing run's lines: the public face of the assembler
// folder. The bytes of instructions go through emit.h.
#pragma once

#include <cstdint>

#include "base/state.h"
#include "output/output.h"

// Statement results returned by AssembleLine.
enum StatementResult : int {
  kResultError = 0,
  kResultOk = 1,
  kResultEnd = 2,
  kResultInclude = 3,
  kResultBlockStart = 4,
  kResultBinclude = 7,
};

// Assembles one source line of ctx, the current context. The first error of the line is
// reported here; the result tells the reader what to do next.
StatementResult AssembleLine(AssemblerState &st, const char *line, SourceContext &ctx);

// Stores one byte (BINCLUDE) as EmitByte does, but leaves its failure for the caller to report
// in its own terms: false when the byte does not fit, the slot unchanged.
[[nodiscard]] bool TryEmitByte(AssemblerState &st, uint8_t byte);

// Counts the forward references that a source file of this many bytes may make: once the
// fixup lists have grown past a small program's, they make room for all of them at once
// instead of moving (copying themselves) at every doubling.
void ExpectFixupsForSource(AssemblerState &st, uint64_t bytes);
// Resolves every fixup after the last line; false when any failed (messages printed).
[[nodiscard]] bool ResolveFixups(AssemblerState &st);
// Drops every remaining fixup.
void ClearFixups(AssemblerState &st);

// --warn=unclosed: warns about every scope still open, innermost first.
void WarnScopesLeftOpen(AssemblerState &st);
// At the end of the run: --warn=unused warns about the labels no expression named (when the
// program assembled), and the lines --errors=gnu held back are printed, each naming what
// became of the labels its statement needed.
void FinishDiagnostics(AssemblerState &st, bool assembled);

// After the last line: fails (message set) when a placement mode or a floating block is left
// open, and closes it.
[[nodiscard]] bool CheckPlacementModesClosed(AssemblerState &st);
// Places the floating blocks assembled since the last run into 256-byte pages behind the code;
// false (message set) when they do not fit.
[[nodiscard]] bool PlaceBlocks(AssemblerState &st);
// Copies the placed blocks from the staging area to their places in the image; false (message
// set) when one would overlap other code.
[[nodiscard]] bool CopyPlacedBlocks(AssemblerState &st);

// The image the assembly pass made, for the output writers.
Image ImageOfRun(const AssemblerState &st);
