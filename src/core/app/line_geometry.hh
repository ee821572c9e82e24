#pragma once
// The four line queries of the document control, by the names the editor's procedures use.
#include "text/text_model.hh"

namespace quilmar {

inline std::int32_t LineIndex(const TextModel& t, std::int32_t line) { return t.LineIndex(line); }
inline std::int32_t LineLength(const TextModel& t, std::int32_t pos) { return t.LineLength(pos); }
inline std::int32_t LineFromChar(const TextModel& t, std::int32_t pos) { return t.LineFromChar(pos); }
inline std::int32_t GetLineCount(const TextModel& t) { return t.GetLineCount(); }

}  // namespace quilmar
