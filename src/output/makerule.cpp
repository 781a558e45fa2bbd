// The make rule of --deps: the files a run writes depend on the files it read.
#include <string>
#include <string_view>
#include <vector>

#include "output/output.h"

namespace {

// Characters make takes as syntax inside a rule's names, read back as themselves after a '\':
// blanks separate names, '#' begins a comment, ':' ends the targets, '*', '?' and '[' are
// wildcards, '|' begins order-only prerequisites (in a target it is a character like any
// other, and a '\' before it would stay). '%' makes a target a pattern.
bool EscapedInNames(char c, bool target) {
  return std::string_view(" \t#:*?[").find(c) != std::string_view::npos ||
         (target ? c == '%' : c == '|');
}

// A name as one word of a rule, or false when make cannot read it back: a line end or ';'
// (which would begin a recipe), '=' (a variable assignment), a leading '~' (the home folder)
// or a trailing '\' (it would escape the separator after it).
bool AppendWord(std::string &rule, std::string_view name, bool target) {
  if (name.empty() || name.find_first_of("\n;=") != std::string_view::npos || name.front() == '~' ||
      name.back() == '\\') {
    return false;
  }
  size_t backslashes = 0;  // the run of '\' just written
  for (char c : name) {
    if (EscapedInNames(c, target)) {
      rule.append(backslashes, '\\');  // a '\' in front of an escape is doubled
      rule += '\\';
    }
    if (c == '$') {
      rule += '$';
    }
    rule += c;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return true;
}

}  // namespace

bool BuildMakeRule(const std::vector<std::string> &targets,
                   const std::vector<std::string> &prerequisites, std::string &rule,
                   std::string &unwritable) {
  rule.clear();
  for (size_t i = 0; i < targets.size(); ++i) {
    if (i > 0) {
      rule += ' ';
    }
    if (!AppendWord(rule, targets[i], true)) {
      unwritable = targets[i];
      return false;
    }
  }
  rule += ':';
  // One prerequisite a line, the lines joined by '\'.
  for (size_t i = 0; i < prerequisites.size(); ++i) {
    rule += i == 0 ? " " : " \\\n  ";
    if (!AppendWord(rule, prerequisites[i], false)) {
      unwritable = prerequisites[i];
      return false;
    }
  }
  rule += '\n';
  // An empty rule for every file after the first (the sources named on the command line and
  // the files they include), so that make goes on when one of them is renamed or removed
  // instead of stopping with "No rule to make target".
  // make reads no target whose name holds a TAB, escaped or not: such a file gets none.
  for (size_t i = 1; i < prerequisites.size(); ++i) {
    if (prerequisites[i].find('\t') != std::string::npos) {
      continue;
    }
    rule += '\n';
    if (!AppendWord(rule, prerequisites[i], true)) {
      unwritable = prerequisites[i];
      return false;
    }
    rule += ":\n";
  }
  return true;
}
