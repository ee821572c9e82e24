#pragma once
// What the layout knows of widths: the advances of characters that need no shaping, read
// from the measure once per character and font, the tab stops, and the measure itself for
// the pieces that must be shaped.
#include <array>
#include <vector>

#include "platform/measure.hh"
#include "text/tab_stops.hh"

namespace quilmar {

class TextMetrics {
 public:
  TextMetrics(const Measure& measure, const TabStops& tabs);

  // Re-reads the measure's sizes and the tab stops; returns whether any of them changed.
  bool Refresh();
  // The font changed: every advance is read again.
  void FontChanged();

  // The advance of c when c can be laid out without shaping (a simple character whose
  // advance the measure vouches for); negative otherwise.
  double Plain(char32_t c) const {
    if (c < ascii_.size()) {
      if (!asciiRead_) ReadAscii();
      return ascii_[c];
    }
    return PlainBeyondAscii(c);
  }
  // Where a tab that starts at x ends (x from the line's left edge).
  double NextTab(double x) const { return tabs_.Next(x, cellWidth_); }
  double CellWidth() const { return cellWidth_; }
  double MaxAdvance() const { return maxAdvance_; }
  double WidestTab() const { return widestTab_; }
  int TabRevision() const { return tabRevision_; }
  const Measure& GetMeasure() const { return measure_; }

 private:
  void ReadAscii() const;
  double PlainBeyondAscii(char32_t c) const;

  const Measure& measure_;
  const TabStops& tabs_;
  double cellWidth_ = 1;
  double maxAdvance_ = 1;
  double widestTab_ = 8;
  int tabRevision_ = -1;
  // Read on first use: laying out an empty document never asks the font anything.
  mutable bool asciiRead_ = false;
  mutable std::array<double, 128> ascii_{};
  mutable std::vector<float> bmp_;  // NaN: not yet read
};

}  // namespace quilmar
