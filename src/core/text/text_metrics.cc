#include "text/text_metrics.hh"

#include <cmath>
#include <limits>

#include "text/grapheme.hh"

namespace quilmar {

TextMetrics::TextMetrics(const Measure& measure, const TabStops& tabs) : measure_(measure), tabs_(tabs) {
  Refresh();
}

bool TextMetrics::Refresh() {
  const double cellWidth = measure_.CellWidth();
  const double maxAdvance = measure_.MaxAdvance();
  const bool changed = cellWidth != cellWidth_ || maxAdvance != maxAdvance_ || tabs_.Revision() != tabRevision_;
  cellWidth_ = cellWidth;
  maxAdvance_ = maxAdvance;
  widestTab_ = tabs_.WidestAdvance(cellWidth_);
  tabRevision_ = tabs_.Revision();
  return changed;
}

void TextMetrics::FontChanged() {
  asciiRead_ = false;
  bmp_.clear();
}

void TextMetrics::ReadAscii() const {
  for (char32_t c = 0; c < ascii_.size(); ++c) ascii_[c] = IsSimpleCharacter(c) ? measure_.PlainAdvance(c) : -1;
  asciiRead_ = true;
}

double TextMetrics::PlainBeyondAscii(char32_t c) const {
  // Characters beyond the Basic Multilingual Plane (emoji, rare ideographs) are always shaped.
  if (c >= 0x10000) return -1;
  if (bmp_.empty()) bmp_.assign(0x10000, std::numeric_limits<float>::quiet_NaN());
  float& slot = bmp_[c];
  if (std::isnan(slot)) slot = static_cast<float>(IsSimpleCharacter(c) ? measure_.PlainAdvance(c) : -1);
  return slot;
}

}  // namespace quilmar
