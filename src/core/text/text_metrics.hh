#pragma once
// What the layout knows of widths: the advances of characters that need no shaping, read
// from the measure once per character and font, the tab stops, and the pieces that must be
// shaped, shaped by the measure once per text, direction and font.
#include <array>
#include <cstddef>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/measure.hh"
#include "text/tab_stops.hh"

namespace quilmar {

class TextMetrics {
 public:
  TextMetrics(const Measure& measure, const TabStops& tabs);
  // Not copied: what it keeps points into its own maps.
  TextMetrics(const TextMetrics&) = delete;
  TextMetrics& operator=(const TextMetrics&) = delete;

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
    if (c < bmp_.size() && bmp_[c] == bmp_[c]) return bmp_[c];  // read before (not NaN)
    return PlainBeyondAscii(c);
  }
  // Where a tab that starts at x ends (x from the line's left edge).
  double NextTab(double x) const { return tabs_.Next(x, cellWidth_); }
  // Where c ends when it starts at x and needs no shaping: a tab at the next stop, a plain
  // character after its advance; negative when c must be shaped. The one sum of plain text:
  // the layout places characters by it and the line breaker measures lines by it, so a line
  // the breaker accepts is exactly as wide when it is laid out and drawn.
  double PlainEnd(double x, char16_t c) const {
    if (c == u'\t') return NextTab(x);
    const double advance = Plain(c);
    return advance < 0 ? -1 : x + advance;
  }
  // Whether every plain advance read and every piece shaped since the font changed has its
  // advance and edges in whole 64ths of a pixel (as Qt's all are), so that sums of them are
  // exact in any grouping.
  bool Exact() const { return plainExact_ && shapedExact_; }
  static bool WholeSixtyFourth(double v) {
    const double t = v * 64;
    return t > -4e15 && t < 4e15 && t == static_cast<double>(static_cast<long long>(t)) &&
           static_cast<double>(static_cast<float>(v)) == v;
  }
  double CellWidth() const { return cellWidth_; }
  double MaxAdvance() const { return maxAdvance_; }
  double WidestTab() const { return widestTab_; }
  int TabRevision() const { return tabRevision_; }
  const Measure& GetMeasure() const { return measure_; }

  // A piece as Measure::Shape shapes it: its clusters' boxes and its advance.
  struct ShapedPiece {
    double advance = 0;
    std::vector<ClusterBox> boxes;
    bool rightToLeft = false;  // holds a right-to-left character (a line with it is reordered)
    // For the line breaker, of a left-to-right piece: the furthest right edge of its clusters
    // up to its last one that is not a space or tab (-1: all are), and of those after it
    // (-1: none); where the spaces it starts with end (0: none).
    double bodyRight = -1;
    double tailRight = -1;
    std::int32_t leadEnd = 0;
  };
  // The piece shaped by the measure, kept by its exact text and direction until the font
  // changes: a word met again, while wrapping or in the layout of a line, costs a lookup,
  // and both read the same numbers. Valid until the next call.
  const ShapedPiece& Shape(StringView piece, bool rtl) const;

  // Maps keyed by text, looked up by a view of it (no copy). Keys run from a word to a line
  // thousands of units long (word wrap off), so both read eight bytes at a time.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(StringView s) const;
  };
  struct Equal {
    using is_transparent = void;
    bool operator()(StringView a, StringView b) const {
      return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
    }
  };

 private:
  void ReadAscii() const;
  double PlainBeyondAscii(char32_t c) const;
  void ForgetShaped() const;

  using ShapedMap = std::unordered_map<String, ShapedPiece, Hash, Equal>;

  const Measure& measure_;
  const TabStops& tabs_;
  double cellWidth_ = 1;
  double maxAdvance_ = 1;
  double widestTab_ = 8;
  int tabRevision_ = -1;
  // Read on first use: laying out an empty document never asks the font anything.
  mutable bool asciiRead_ = false;
  mutable bool plainExact_ = true;
  mutable bool shapedExact_ = true;
  mutable std::array<double, 128> ascii_{};
  mutable std::vector<float> bmp_;  // NaN: not yet read
  // Shaped pieces by direction; started afresh when they hold too much text.
  mutable ShapedMap shaped_[2];
  mutable std::size_t shapedUnits_ = 0;
  // The entries last found, by the top bits of their hash and their direction: a word met
  // again costs its hash and a comparison, not a walk of the map's buckets. (The map's
  // entries stay where they are as it grows; they go only all at once, with these.)
  struct Recent {
    std::size_t hash = 0;
    const ShapedMap::value_type* entry = nullptr;
  };
  static constexpr int kRecentBits = 11;
  mutable std::vector<Recent> recent_;
};

}  // namespace quilmar
