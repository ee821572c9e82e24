#include "editor/search.hh"

#include "app/doing.hh"
#include "app/panels.hh"
#include "command/substitute.hh"

namespace quilmar {

namespace {

const String kWrapMessage = Ascii("Search hit bottom, continuing at top");
const String kNotFoundMessage = Ascii("Pattern not found: ");

std::optional<CharPos> FindFrom(TextModel& txtMain, StringView pattern, CharPos from, bool caseSensitive) {
  const FindOptions options = FindOptions::NoHighlight | (caseSensitive ? FindOptions::MatchCase : FindOptions::None);
  return txtMain.Find(pattern, from, std::nullopt, options);
}

}  // namespace

// At most two scans: from `from` to the end, then, only if that failed and there was a part
// before `from`, the whole document once more. A position past the end (the document shrank
// since the last hit) simply finds nothing and takes the wrap.
std::optional<SearchHit> NextOccurrence(TextModel& txtMain, StringView pattern, CharPos from,
                                        bool caseSensitive) {
  if (auto hit = FindFrom(txtMain, pattern, from, caseSensitive)) return SearchHit{*hit, false};
  if (from == 0) return std::nullopt;
  if (auto hit = FindFrom(txtMain, pattern, 0, caseSensitive)) return SearchHit{*hit, true};
  return std::nullopt;
}

void FindPattern(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, const String& Pattern,
                 bool CaseSensitive) {
  const std::optional<SearchHit> hit = NextOccurrence(txtMain, Pattern, SearchPos, CaseSensitive);
  // The wrap is announced whenever the first scan failed from a later position, also when the
  // second one then fails as well (its message replaces this one).
  if (SearchPos != 0 && (!hit || hit->wrapped)) statusBar.SetPanelText(panel::Message, kWrapMessage);
  if (!hit) {
    statusBar.SetPanelText(panel::Message, kNotFoundMessage + Pattern);
    SearchPos = 0;
    return;
  }
  const auto length = static_cast<CharPos>(Pattern.size());
  txtMain.Select(hit->pos, hit->pos + length);
  SearchPos = hit->pos + length;
}

void DocumentSearch::FindPattern(const String& pattern, bool caseSensitive) {
  LastPattern_ = pattern;
  FindNext(caseSensitive);
}

void DocumentSearch::FindNext(bool caseSensitive) {
  quilmar::FindPattern(txtMain_, SearchPos_, statusBar_, LastPattern_, caseSensitive);
}

void DocumentSearch::Substitute(const String& line, bool caseSensitive) {
  const Doing doing(u"the substitution");
  SubstituteCommand(txtMain_, SearchPos_, statusBar_, caseSensitive, line);
}

}  // namespace quilmar
