#pragma once
// View settings applied to the document: word wrap and tab stops.
#include <cstdint>

#include "text/text_model.hh"

namespace quilmar {

void SetWordWrap(TextModel& txtMain, bool wrap);  // right margin 0 (wrap at the window) or 10000 cells
void SetTabStops(TextModel& txtMain, std::int16_t TabSpaces);  // 32 stops; nothing for 2 or less

}  // namespace quilmar
