// The scan of a line in a branch that is not assembled: only the conditional words count.
#include <cstring>

#include "lexer/lexer.h"
#include "lexer/scanner.h"

namespace lexer {

namespace {

void SkipWordRest(AssemblerState &st) {
  while (IsWordChar(*st.scan.pos)) {
    ++st.scan.pos;
  }
}

// Takes the next character when it is wanted (in upper case).
bool TakeIfUpper(AssemblerState &st, char wanted) {
  if (PeekUpper(st) != wanted) {
    return false;
  }
  TakeChar(st);
  return true;
}

bool AtWordEnd(const AssemblerState &st) { return !IsWordChar(*st.scan.pos); }

// After a skipped word's 'E': matches the rest of ELSE, ELIF, ELSIF, ELSEIF or ENDIF, taking
// the characters that match; returns the keyword kind, or 0.
int32_t MatchSkippedKeyword(AssemblerState &st) {
  if (TakeIfUpper(st, 'L')) {
    if (TakeIfUpper(st, 'S') && TakeIfUpper(st, 'E') && AtWordEnd(st)) {
      return kElse;
    }
    if (TakeIfUpper(st, 'I') && TakeIfUpper(st, 'F') && AtWordEnd(st)) {
      return kElif;
    }
    return 0;
  }
  if (TakeIfUpper(st, 'N') && TakeIfUpper(st, 'D') && TakeIfUpper(st, 'I') &&
      TakeIfUpper(st, 'F') && AtWordEnd(st)) {
    return kEndif;
  }
  return 0;
}

}  // namespace

// Strings and comments are passed over whole; a nested IF opens a skipped level.
bool SkipScan(AssemblerState &st, Token &token, Msg &problem) {
  const char *&pos = st.scan.pos;
  for (;;) {
    const char c = PeekUpper(st);
    if (c == '\0') {
      token.kind = kSkippedLine;
      return true;
    }
    const char *word = pos;
    TakeChar(st);
    if (c == 'E') {
      const int32_t kind = MatchSkippedKeyword(st);
      if (kind != 0) {
        token.kind = kind;
        return true;
      }
      SkipWordRest(st);
    } else if (c == 'I') {
      // Only an F is taken here: a ';' or a quote right after the I keeps its meaning.
      if (TakeIfUpper(st, 'F') && AtWordEnd(st) &&
          !PushSkippedConditional(*st.scan.conditional, ColumnAt(st, word))) {
        problem = Msg::TooMuchIfNesting;
        return false;
      }
      SkipWordRest(st);
    } else if (c == ';') {
      pos += std::strlen(pos);
    } else if (c == '\'' || c == '"') {
      while (*pos != '\0' && *pos != c) {
        ++pos;
      }
      TakeChar(st);
    } else if (IsWordStart(c)) {
      SkipWordRest(st);
    } else {
      while (*pos != '\0' && !IsWordChar(*pos) && *pos != ';' && *pos != '\'' && *pos != '"') {
        ++pos;
      }
    }
  }
}

}  // namespace lexer
