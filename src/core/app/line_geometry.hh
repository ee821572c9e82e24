#pragma once
// The four line queries of the document control, by the names the editor's procedures use.
#include "text/text_model.hh"

namespace quilmar {

inline std::optional<CharPos> LineIndex(const TextModel& t, LineNo line) { return t.LineIndex(line); }
inline CharPos LineLength(const TextModel& t, CharPos pos) { return t.LineLength(pos); }
inline LineNo LineFromChar(const TextModel& t, CharPos pos) { return t.LineFromChar(pos); }
inline LineNo GetLineCount(const TextModel& t) { return t.GetLineCount(); }

}  // namespace quilmar
