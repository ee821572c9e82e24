#pragma once
// Behaviour cases written as data: a document, keys, and what the user sees afterwards. The
// format, one file per subject (tests/cases/data/*.txt):
//
//   # a comment; blank lines are free
//   case: x deletes the character after the caret      starts a case, names it
//   in: a|bc                                           the document (marked_text.hh; empty if left out)
//   clipboard: xyz                                     the clipboard's text before the keys
//   keys: x                                            a key script in quilmar-batch's notation
//   out: a|c                                           the document afterwards
//   message: ...   mode: ...   position: ...           the message, mode and position panels afterwards
//   copied: ...                                        the clipboard afterwards
//   commandMode / locked / pendingDelete / textChanged / closed: true|false
//   focus: txtMain|txtCmd     cmdText: ...     searchPos: N
//   cols: N                   word wrap on at N cells (cells exist headless only)
//   headless: why             the case runs headless only, for the reason given
//
// One line a field, "name: value" (the space after the colon is not part of the value). In the
// values of clipboard, copied, the panels and cmdText "\r", "\n", "\t" and "\\" stand for
// those characters and "\s" for a space (one at the end of a line is easily lost); in and out
// are marked text, which reads its own escapes.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quilmar::testing {

struct Case {
  std::string file;  // the path, for the failure messages
  int line = 0;      // of its "case:" line
  std::string name;
  std::map<std::string, std::string> fields;  // as written (marked and plain values unescaped later)
  std::map<std::string, int> fieldLines;
  std::optional<std::string> Field(const std::string& name) const;
};

// Every case in a file, in order; a line that fits the format nowhere is an error, returned as
// "file:line: what" and no cases.
struct CaseFile {
  std::vector<Case> cases;
  std::optional<std::string> error;
};

CaseFile ReadCaseFile(const std::string& path);

// "\r", "\n", "\t", "\s" and "\\" in a plain value.
std::string Unescape(const std::string& value);

}  // namespace quilmar::testing
