// Placement: OFFSET, ARRANGE and the floating blocks (private to src/assembler/).
#pragma once

#include <string_view>

#include "assembler/assembler.h"

// OFFSET [expr] and ARRANGE address {, place, skip}.
StatementResult DoOffset(AssemblerState &st);
StatementResult DoArrange(AssemblerState &st);
// NAME IN_PAGE|PAGE_ALIGNED {IN_PAGE|PAGE_ALIGNED}, the first keyword next: opens a floating
// block that ends with its line (the caller turns it into a '{' block).
[[nodiscard]] bool OpenFloatingBlock(AssemblerState &st, std::string_view name);
// The block just opened ends with the ENDP of the scope it opened.
void BlockEndsWithScope(AssemblerState &st);
// END: closes an open OFFSET section or ARRANGE region; false when neither is open.
bool CloseOffsetOrArrange(AssemblerState &st);
// ENDP / }: closes the floating block when it ends here (a block of this line, or the block
// whose own scope is being closed).
void CloseFloatingBlockAtEndp(AssemblerState &st);
// End of a line: closes the block that this line opened without '{'.
void CloseFloatingBlockAtLineEnd(AssemblerState &st, const SourceContext &ctx);
// Fails with the exclusion message while a placement mode is open (for ORG).
[[nodiscard]] bool CheckNoPlacementMode(AssemblerState &st, const char *directive);
// Fails with the exclusion message when a block opened without '{' on this line is open: the
// file or body that the directive reads would only come after the block had ended.
[[nodiscard]] bool CheckNotInLineBlock(AssemblerState &st, const char *directive);
// True while an ARRANGE region is open.
bool ArrangeOpen(const AssemblerState &st);
// ORG after floating blocks: the placement run in the assembly pass; the listing pass moves on
// to where that run left the location and position.
[[nodiscard]] bool PlaceBlocksAtOrg(AssemblerState &st);
