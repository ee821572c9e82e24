#pragma once
// The "/" search and its repeat: the next occurrence from SearchPos, wrapping once.
#include <optional>

#include "platform/ui_ports.hh"
#include "text/text_model.hh"
#include "text/ustring.hh"

namespace quilmar {

// The occurrence a search from `from` lands on: at or after `from` if there is one, otherwise
// (when `from` is not 0) the first one from the top, marked as wrapped.
struct SearchHit {
  CharPos pos = 0;
  bool wrapped = false;
};

// Looks without selecting anything. Nothing at all: std::nullopt.
std::optional<SearchHit> NextOccurrence(TextModel& txtMain, StringView pattern, CharPos from,
                                        bool caseSensitive);

// Selects the next occurrence from SearchPos and moves SearchPos behind it; reports a wrap and
// a miss in the message panel.
void FindPattern(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, const String& Pattern,
                 bool CaseSensitive);

// The searches' own state, the last pattern and where the next search begins, and the only
// code that moves them: "/", its repeat keys and the substitution. The case options are the
// caller's to pass.
class DocumentSearch {
 public:
  DocumentSearch(TextModel& document, StatusBarPort& statusBar) : txtMain_(document), statusBar_(statusBar) {}

  const String& LastPattern() const { return LastPattern_; }
  CharPos SearchPos() const { return SearchPos_; }

  // "/pattern": remembered for the repeat keys, then found from SearchPos.
  void FindPattern(const String& pattern, bool caseSensitive);
  // "n" and F3: the last pattern again.
  void FindNext(bool caseSensitive);
  // A substitution line (":a,bs/old/new/"), which moves SearchPos as a search does.
  void Substitute(const String& line, bool caseSensitive);

 private:
  friend struct AppTestAccess;
  TextModel& txtMain_;
  StatusBarPort& statusBar_;
  String LastPattern_;
  CharPos SearchPos_ = 0;
};

}  // namespace quilmar
