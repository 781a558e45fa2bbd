// Macros that declare their parameters: the parameter list of the MACRO line, the LOCAL lines
// at the head of the body, and the arguments of a call bound to the parameters. Every list is
// read with the tokenizer, so that a name, a quoted text and a comment are what they are in
// any other line (AF' is a register, no quote).
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/lexer.h"
#include "source/reader.h"
#include "source/source.h"

namespace {

// A LOCAL name is replaced by NAME?NNNNNNN: the name, '?' and the expansion's serial in seven
// decimal digits (a pass assembles fewer than 4,194,304 lines of bodies, so fewer expansions),
// within the 63 characters of a name. Two such names of one length differ in the LOCAL name
// or in the number, so no two meet; a REPT's name, "?R?" and five characters, is none of them.
constexpr int32_t kSerialLength = 7;
constexpr int32_t kMaxLocalName = 63 - 1 - kSerialLength;

// Scans the next token; text that forms no token (Shift-JIS outside quotes, a malformed number)
// is passed over a character at a time, and reads as kUnassigned, which no token is given.
// failed_at: where the last such text began.
Token NextToken(AssemblerState &st, const char *&failed_at) {
  Token token;
  if (TryScanToken(st, token)) {
    return token;
  }
  if (token.start == failed_at) {
    TakeChar(st);  // the second failure at the same place has not moved the scan
  }
  failed_at = token.start;
  token.kind = kUnassigned;
  return token;
}

// A token that can be a declared word: an identifier as written, no local label form, or the
// word of a register or a condition (sources name parameters hl, sp or m), which inside the
// body then stands for the argument in the letter case it is declared in.
bool IsNameToken(const Token &token) {
  return (token.kind == kIdentifier && token.local_form == LocalForm::None) ||
         IsRegisterWord(token.kind);
}

// The word of a name or keyword token as written (a local label form as "@@", not by its
// generated name), read just after the token.
std::string_view WordOf(const AssemblerState &st, const Token &token) {
  if (token.local_form != LocalForm::None) {
    return {token.start, static_cast<size_t>(RestOfLine(st).data() - token.start)};
  }
  return {token.start, static_cast<size_t>(token.length)};
}

// The text of one argument (or one parameter's fallback): start == end when it is empty; at is
// where it was written, for the column of a message.
struct ArgumentText {
  const char *start = nullptr;
  const char *end = nullptr;
  const char *at = nullptr;
  std::string_view Text() const {
    return start == end ? std::string_view()
                        : std::string_view(start, static_cast<size_t>(end - start));
  }
};

// Reads the text of an argument in <...> whose '<' begins at open: up to the first '>' outside
// quotes, then the comma that ends the argument (taken; more is set) or the line end. False
// (message set) when no '>' closes it on the line, or something else follows the '>'.
bool ReadBracketed(AssemblerState &st, const char *open, ArgumentText &arg, bool &more) {
  const char *line = LineBeingScanned(st);
  ResumeLineScan(st, line, open + 1, nullptr);
  const char *failed_at = nullptr;
  const char *close = nullptr;
  while (close == nullptr) {
    const Token token = NextToken(st, failed_at);
    if (token.kind == kEndOfLine) {
      SetError(st, Msg::MissingCloseAngle);
      SetErrorColumn(st, open);
      return false;
    }
    if (token.kind == kQuote || token.kind == kDoubleQuote) {
      SkipPastQuote(st, token.kind == kQuote ? '\'' : '"');
      continue;
    }
    // '>' begins the operators that hold one ('>', '>=', '>>'): the text ends at it.
    const char *from = token.start;
    const char *to = RestOfLine(st).data();
    if (const void *found = std::memchr(from, '>', static_cast<size_t>(to - from))) {
      close = static_cast<const char *>(found);
    }
  }
  arg.start = open + 1;
  arg.end = close;
  ResumeLineScan(st, line, close + 1, nullptr);
  Token after;
  if (!TryScanToken(st, after) || (after.kind != kComma && after.kind != kEndOfLine)) {
    SetError(st, Msg::MissingComma);
    SetErrorColumn(st, after.start);
    return false;
  }
  more = after.kind == kComma;
  return true;
}

// Reads one argument from the scan position: its tokens as written, the blanks around them
// left out, up to the comma that ends it (taken; more is set) or the line end. Text in quotes
// is passed whole, its commas and ';' included; an argument that begins with '<' is the text
// up to the next '>', passed whole without the brackets. False (message set) when such a '<'
// is not closed.
bool ReadArgument(AssemblerState &st, ArgumentText &arg, bool &more) {
  arg = ArgumentText{};
  more = false;
  const char *failed_at = nullptr;
  for (;;) {
    const Token token = NextToken(st, failed_at);
    if (arg.at == nullptr) {
      arg.at = token.start;
    }
    if (token.kind == kEndOfLine) {
      return true;
    }
    if (token.kind == kComma) {
      more = true;
      return true;
    }
    if (arg.start == nullptr && *token.start == '<') {
      return ReadBracketed(st, token.start, arg, more);
    }
    if (token.kind == kQuote || token.kind == kDoubleQuote) {
      SkipPastQuote(st, token.kind == kQuote ? '\'' : '"');
    }
    if (arg.start == nullptr) {
      arg.start = token.start;
    }
    arg.end = RestOfLine(st).data();
  }
}

// Checks a declared word, the token just read, and adds it to the macro's words; false (message
// set at the token) when it is no plain name, is declared already, or (a LOCAL name) is too
// long.
bool DeclareWord(AssemblerState &st, DeclaredMacro &macro, const Token &token, bool local) {
  const std::string word(WordOf(st, token));
  // A LOCAL name becomes a label: it cannot be a register's.
  if (!IsNameToken(token) || (token.kind == kIdentifier ? !IsPlainName(word) : local)) {
    SetError(st, Msg::MacroWordNotName, word.c_str());
  } else if (macro.words.contains(word)) {
    SetError(st, Msg::MacroWordTwice, word.c_str());
  } else if (local && token.length > kMaxLocalName) {
    SetError(st, Msg::LocalNameTooLong, word.c_str(), kMaxLocalName);
  } else {
    const auto index = static_cast<int32_t>(macro.words.size());
    macro.words.emplace(word, index);
    return true;
  }
  SetErrorColumn(st, token.start);
  return false;
}

// Reads a list of names separated by commas up to the line end, after keyword: the parameters
// after MACRO (each may take "=TEXT"), or the names after LOCAL. False (message set) when the
// list is malformed.
bool ReadNames(AssemblerState &st, DeclaredMacro &macro, const char *keyword, bool local) {
  const char *failed_at = nullptr;
  for (;;) {
    const Token name = NextToken(st, failed_at);
    // A word (a keyword) is named in the message; anything else makes the list malformed.
    if (name.length == 0 || name.local_form == LocalForm::Reference) {
      SetError(st, Msg::MacroNameList, keyword);
      SetErrorColumn(st, name.start);
      return false;
    }
    if (!DeclareWord(st, macro, name, local)) {
      return false;
    }
    std::string word(WordOf(st, name));
    if (local) {
      macro.locals.push_back(std::move(word));
    } else {
      macro.parameters.push_back(MacroParameter{std::move(word), {}, false});
    }
    const Token next = NextToken(st, failed_at);
    if (next.kind == kEndOfLine) {
      return true;
    }
    if (!local && next.kind == kAssign) {
      ArgumentText fallback;
      bool more = false;
      if (!ReadArgument(st, fallback, more)) {
        return false;
      }
      macro.parameters.back().fallback = fallback.Text();
      macro.parameters.back().optional = true;
      if (!more) {
        return true;
      }
    } else if (next.kind != kComma) {
      SetError(st, Msg::MacroNameList, keyword);
      SetErrorColumn(st, next.start);
      return false;
    }
  }
}

}  // namespace

bool ReadParameterList(AssemblerState &st, DeclaredMacro &macro) {
  return ReadNames(st, macro, "MACRO", false);
}

LocalLine ReadLocalLine(AssemblerState &st, const char *line, DeclaredMacro &macro) {
  const ScanMark mark = MarkScan(st);
  BeginLineScan(st, line, nullptr);
  const char *failed_at = nullptr;
  const Token first = NextToken(st, failed_at);
  LocalLine found = LocalLine::Other;
  if (first.kind == kEndOfLine) {
    found = LocalLine::Blank;
  } else if (IsNameToken(first) && SameIgnoringCase(WordOf(st, first), "LOCAL")) {
    // LOCAL: or LOCAL EQU ... defines a label of that name.
    Token next;
    const bool defines =
        TryPeekToken(st, next) && (next.kind == kColon || next.kind == kDoubleColon ||
                                   next.kind == kEqu || next.kind == kAssign);
    if (!defines) {
      found = ReadNames(st, macro, "LOCAL", true) ? LocalLine::Local : LocalLine::Failed;
    }
  }
  RewindScan(st, mark);
  return found;
}

bool BindDeclaredArguments(AssemblerState &st, const DeclaredMacro &macro, int32_t name,
                           int32_t column, SourceContext &expansion) {
  const char *macro_name = NameAt(st.names, name);
  if (macro.broken) {
    SetError(st, Msg::MacroDefinitionFailed, macro_name);
    st.diag.error_column = column;
    return false;
  }
  // The arguments are only read here: the anonymous labels they name count when the body that
  // holds them is assembled.
  const ScanMark mark = MarkScan(st);
  std::vector<ArgumentText> given;
  bool more = true;
  bool ok = true;
  while (ok && more) {
    ok = ReadArgument(st, given.emplace_back(), more);
  }
  RewindScan(st, mark);
  if (!ok) {
    return false;
  }
  const auto declared = static_cast<int32_t>(macro.parameters.size());
  // A call of nothing but blanks gives no argument.
  const auto count =
      given.size() == 1 && given[0].Text().empty() ? 0 : static_cast<int32_t>(given.size());
  if (count > declared) {
    SetError(st, Msg::MacroTooManyArguments, macro_name, declared, count);
    SetErrorColumn(st, given[static_cast<size_t>(declared)].at);
    return false;
  }
  expansion.words.assign(macro.words.size(), 0);
  for (int32_t n = 0; n < declared; ++n) {
    const MacroParameter &parameter = macro.parameters[static_cast<size_t>(n)];
    std::string_view text = n < count ? given[static_cast<size_t>(n)].Text() : std::string_view();
    if (text.empty() && !parameter.optional) {
      SetError(st, Msg::MacroArgumentMissing, macro_name, parameter.name.c_str());
      st.diag.error_column = n < count ? ColumnAt(st, given[static_cast<size_t>(n)].at) : column;
      return false;
    }
    if (text.empty()) {
      text = parameter.fallback;
    }
    const uint32_t offset = text.empty() ? 0 : AppendText(st.text, text);
    expansion.words[static_cast<size_t>(n)] = offset;
    if (n < kMacroArguments) {
      expansion.args[n] = offset;
    }
  }
  if (!macro.locals.empty()) {
    char serial[kSerialLength + 2] = {};
    std::snprintf(serial, sizeof serial, "?%07d", st.pass.declared.local_serial++);
    for (size_t n = 0; n < macro.locals.size(); ++n) {
      const std::string local = macro.locals[n] + serial;
      expansion.words[macro.parameters.size() + n] = AppendText(st.text, local);
    }
  }
  expansion.declared = &macro;
  return true;
}
