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

}  // namespace quilmar
