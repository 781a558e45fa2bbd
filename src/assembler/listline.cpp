// The listing run's side of the statement loop: what each line emitted and where, and its
// listing line in the assemble list.
#include "assembler/listline.h"

#include <string>
#include <string_view>

#include "assembler/emit.h"
#include "assembler/placement.h"
#include "source/source.h"
#include "symbols/symbols.h"
#include "z80/z80.h"

namespace {

// Appends the line's listing line with the text up to text_end. The address column shows the
// value of an EQU or '=' line; otherwise the address of the line's first byte; for a line
// that emitted nothing, the location counter as the line leaves it (ORG 8000H lists 8000).
void WriteLine(AssemblerState &st, ListingLine &line, const char *text_end) {
  line.written = true;
  AssembleList *list = st.listing.list;
  if (list == nullptr || line.text == nullptr) {
    return;
  }
  int32_t address = st.pass.location;
  if (line.shows_value) {
    address = line.value;
  } else if (line.stored) {
    address = line.stored_address;
  } else if (line.counted) {
    address = line.counted_address;
  }
  const int32_t first = line.stored ? line.first_position : -1;
  AppendListingLine(*list, address, st.code.bytes.data(), first, line.end_position,
                    std::string_view(line.text, static_cast<size_t>(text_end - line.text)),
                    st.options.cycles ? &line.cycles : nullptr);
}

// --sld: an event at the line being assembled, where it was written.
void Trace(AssemblerState &st, TraceKind kind, int32_t value, int32_t index) {
  TraceEvent event{kind, 0, 0, value, index};
  if (LineWrittenAt(st, event.file, event.line)) {
    st.listing.trace->push_back(event);
  }
}

}  // namespace

void TraceLabel(AssemblerState &st, std::string_view name) {
  if (st.listing.trace == nullptr && st.listing.timing == nullptr) {
    return;
  }
  const int32_t index = FindLabel(st, name);
  if (index == 0) {
    return;
  }
  if (st.listing.trace != nullptr) {
    Trace(st, TraceKind::Label, CurrentScope(st), index);
  }
  if (st.listing.timing != nullptr) {
    TimingEvent event;
    event.label = true;
    event.scope = CurrentScope(st);
    event.index = index;
    st.listing.timing->push_back(event);
  }
}

void BeginInstruction(AssemblerState &st) {
  if (ListingLine *line = st.listing.line; line != nullptr && st.options.cycles) {
    line->in_instruction = true;
    line->instruction_size = 0;
  }
}

// The T-states come from the bytes the assembly pass left in the image, final by now; an
// instruction of an OFFSET section stores none and is not counted.
void EndInstruction(AssemblerState &st, bool encoded) {
  ListingLine *line = st.listing.line;
  if (line == nullptr || !line->in_instruction) {
    return;
  }
  line->in_instruction = false;
  uint8_t code[ListingLine::kLongestInstruction] = {};
  for (int32_t i = 0; i < line->instruction_size; ++i) {
    code[i] = st.code.bytes[static_cast<size_t>(line->instruction_positions[i])];
  }
  InstructionTiming timing;
  if (!encoded || !InstructionCycles(code, line->instruction_size, timing)) {
    return;
  }
  CycleColumn &cycles = line->cycles;
  cycles.instructions += 1;
  cycles.taken += timing.taken;
  cycles.not_taken += timing.not_taken;
  cycles.two_paths = cycles.two_paths || timing.two_paths;
  if (st.listing.timing != nullptr) {
    TimingEvent event;
    event.taken = timing.taken;
    event.not_taken = timing.not_taken;
    st.listing.timing->push_back(event);
  }
}

void BeginListingLine(AssemblerState &st, ListingLine &line, const char *text) {
  line = ListingLine{};
  line.text = text;
  st.listing.line = &line;
}

void NoteListedByte(AssemblerState &st, int32_t address, int32_t position) {
  ListingLine *line = st.listing.line;
  if (line == nullptr) {
    return;
  }
  if (position < 0) {
    if (!line->counted) {
      line->counted = true;
      line->counted_address = address;
    }
    return;
  }
  if (line->in_instruction && line->instruction_size < ListingLine::kLongestInstruction) {
    line->instruction_positions[line->instruction_size++] = position;
  }
  if (st.listing.statement_untraced && st.listing.trace != nullptr) {
    st.listing.statement_untraced = false;
    Trace(st, TraceKind::Statement, address, 0);
  }
  if (!line->stored) {
    line->stored = true;
    line->stored_address = address;
    line->first_position = position;
    line->end_position = position + 1;
  } else if (!line->run_ended && position == line->end_position) {
    line->end_position = position + 1;
  } else {
    line->run_ended = true;  // only bytes that lie side by side are shown
  }
}

void ShowListingValue(AssemblerState &st, uint16_t value) {
  if (st.listing.line != nullptr) {
    st.listing.line->shows_value = true;
    st.listing.line->value = value;
  }
}

void ListLineBeforeExpansion(AssemblerState &st) {
  ListingLine *line = st.listing.line;
  if (line != nullptr && !line->written && !ArrangeOpen(st)) {
    WriteLine(st, *line, line->text + std::char_traits<char>::length(line->text));
  }
}

void EndListingLine(AssemblerState &st, StatementResult result, const char *keyword) {
  ListingLine *line = st.listing.line;
  // Statements inside an open ARRANGE region are not listed.
  if (line == nullptr || line->written || ArrangeOpen(st)) {
    return;
  }
  const char *end = line->text + std::char_traits<char>::length(line->text);
  switch (result) {
    case kResultEnd:
    case kResultBlockStart:
      return;
    case kResultInclude:
    case kResultBinclude:
      // Only what stands before the keyword, written before the file is read.
      if (keyword == nullptr || keyword < line->text || keyword > end ||
          std::string_view(line->text, static_cast<size_t>(keyword - line->text))
                  .find_first_not_of(" \t") == std::string_view::npos) {
        return;
      }
      end = keyword;
      break;
    case kResultError:
    case kResultOk:
      break;
  }
  WriteLine(st, *line, end);
}
