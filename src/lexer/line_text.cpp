// The character-level scans of a line: blanks, quoted texts, file names, and the marks a scan
// returns to.
#include <cstring>

#include "lexer/lexer.h"
#include "lexer/scanner.h"

using namespace lexer;

namespace {

void SkipSpacesAndTabs(AssemblerState &st) {
  while (*st.scan.pos == ' ' || *st.scan.pos == '\t') {
    ++st.scan.pos;
  }
}

}  // namespace

bool OnlyCommentFollows(AssemblerState &st) { return !SkipBlanks(st) || *st.scan.pos == '\0'; }

ScanMark MarkScan(const AssemblerState &st) {
  ScanMark mark;
  mark.scan = st.scan;
  std::memcpy(mark.local_counters, st.pass.local_counters, sizeof mark.local_counters);
  return mark;
}

void RewindScan(AssemblerState &st, const ScanMark &mark) {
  st.scan = mark.scan;
  std::memcpy(st.pass.local_counters, mark.local_counters, sizeof mark.local_counters);
}

std::string_view RestOfLine(const AssemblerState &st) { return st.scan.pos; }

QuotedText ScanQuotedText(AssemblerState &st, std::string_view &text) {
  SkipSpacesAndTabs(st);
  st.scan.token_start = st.scan.pos;
  if (*st.scan.pos != '"') {
    return QuotedText::Missing;
  }
  const char *start = st.scan.pos + 1;
  const char *close = std::strchr(start, '"');
  if (close == nullptr) {
    text = start;
    st.scan.pos = start + text.size();
    return QuotedText::Unclosed;
  }
  text = std::string_view(start, static_cast<size_t>(close - start));
  st.scan.pos = close + 1;
  return QuotedText::Closed;
}

bool ScanFileName(AssemblerState &st, std::string_view &name) {
  switch (ScanQuotedText(st, name)) {
    case QuotedText::Closed:
      return true;
    case QuotedText::Unclosed:
      SetError(st, Msg::MissingCloseDoubleQuote);
      return false;
    case QuotedText::Missing:
      break;
  }
  const char *start = st.scan.pos;
  const char *end = start;
  while (*end != '\0' && *end != ';' && !IsBlank(*end)) {
    ++end;
  }
  st.scan.pos = end;
  name = std::string_view(start, static_cast<size_t>(end - start));
  return true;
}

void SkipPastQuote(AssemblerState &st, char quote) {
  const char *close = std::strchr(st.scan.pos, quote);
  st.scan.pos = close != nullptr ? close + 1 : st.scan.pos + std::strlen(st.scan.pos);
}
