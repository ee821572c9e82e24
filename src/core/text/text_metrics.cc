#include "text/text_metrics.hh"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "text/grapheme.hh"

namespace quilmar {

namespace {

// The shaped pieces kept: natural text's words many times over, a few megabytes at most (a
// cluster's box is 24 bytes).
constexpr std::size_t kShapedUnits = 1 << 18;

}  // namespace

TextMetrics::TextMetrics(const Measure& measure, const TabStops& tabs) : measure_(measure), tabs_(tabs) {
  Refresh();
}

bool TextMetrics::Refresh() {
  const double cellWidth = measure_.CellWidth();
  const double maxAdvance = measure_.MaxAdvance();
  const bool changed = cellWidth != cellWidth_ || maxAdvance != maxAdvance_ || tabs_.Revision() != tabRevision_;
  // Pieces hold no tab: only a new size of the measure's units can change their shapes.
  if (cellWidth != cellWidth_ || maxAdvance != maxAdvance_) ForgetShaped();
  cellWidth_ = cellWidth;
  maxAdvance_ = maxAdvance;
  widestTab_ = tabs_.WidestAdvance(cellWidth_);
  tabRevision_ = tabs_.Revision();
  return changed;
}

void TextMetrics::FontChanged() {
  asciiRead_ = false;
  plainExact_ = shapedExact_ = true;
  bmp_.clear();
  ForgetShaped();
}

std::size_t TextMetrics::Hash::operator()(StringView s) const {
  // Four independent multiply-rotate lanes over 8-byte words, folded at the end: a few bytes
  // a cycle, and every unit counts.
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t size = s.size() * sizeof(char16_t);
  std::uint64_t lane[4] = {size, 1, 2, 3};
  auto mix = [](std::uint64_t h, std::uint64_t w) {
    h = (h ^ w) * kMul;
    return (h << 29) | (h >> 35);
  };
  auto word = [](const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  };
  if (size >= 8 && size <= 16) {
    // A word: its first and last eight bytes (overlapping when shorter) cover it.
    return static_cast<std::size_t>(mix(mix(lane[0], word(bytes)), word(bytes + size - 8)) * kMul);
  }
  for (; size >= 32; bytes += 32, size -= 32)
    for (int k = 0; k < 4; ++k) lane[k] = mix(lane[k], word(bytes + 8 * k));
  for (; size >= 8; bytes += 8, size -= 8) lane[0] = mix(lane[0], word(bytes));
  std::uint64_t tail = 0;
  std::memcpy(&tail, bytes, size);
  lane[1] = mix(lane[1], tail);
  std::uint64_t h = mix(mix(lane[0], lane[1]), mix(lane[2], lane[3]));
  h ^= h >> 32;
  return static_cast<std::size_t>(h * kMul);
}

void TextMetrics::ForgetShaped() const {
  shaped_[0].clear();
  shaped_[1].clear();
  shapedUnits_ = 0;
  recent_.assign(std::size_t{2} << kRecentBits, Recent{});
}

const TextMetrics::ShapedPiece& TextMetrics::Shape(StringView piece, bool rtl) const {
  ShapedMap& map = shaped_[rtl ? 1 : 0];
  const std::size_t hash = Hash{}(piece);
  if (recent_.empty()) recent_.assign(std::size_t{2} << kRecentBits, Recent{});
  Recent& slot = recent_[(hash >> (8 * sizeof hash - kRecentBits)) * 2 + (rtl ? 1 : 0)];
  if (slot.entry && slot.hash == hash && Equal{}(slot.entry->first, piece)) return slot.entry->second;
  if (auto it = map.find(piece); it != map.end()) {
    slot = {hash, &*it};
    return it->second;
  }
  if (shapedUnits_ + piece.size() > kShapedUnits) ForgetShaped();
  shapedUnits_ += piece.size();
  ShapedPiece shaped;
  shaped.advance = measure_.Shape(piece, rtl, &ClusterEnds, shaped.boxes);
  int units = 1;
  for (std::size_t i = 0; i < piece.size() && !shaped.rightToLeft; i += static_cast<std::size_t>(units))
    shaped.rightToLeft = IsRightToLeftCharacter(CodePointAt(piece, i, units));
  std::int32_t start = 0;
  bool solidSeen = false;
  for (const ClusterBox& box : shaped.boxes) {
    const bool space = box.end == start + 1 && (piece[static_cast<std::size_t>(start)] == u' ' || piece[static_cast<std::size_t>(start)] == u'\t');
    if (!space) {
      shaped.bodyRight = std::max({shaped.bodyRight, shaped.tailRight, box.right});
      shaped.tailRight = -1;
      solidSeen = true;
    } else {
      shaped.tailRight = std::max(shaped.tailRight, box.right);
      if (!solidSeen) shaped.leadEnd = box.end;
    }
    start = box.end;
  }
  shapedExact_ = shapedExact_ && WholeSixtyFourth(shaped.advance) && WholeSixtyFourth(shaped.bodyRight) &&
                 WholeSixtyFourth(shaped.tailRight);
  const auto& entry = *map.emplace(String(piece), std::move(shaped)).first;
  recent_[(hash >> (8 * sizeof hash - kRecentBits)) * 2 + (rtl ? 1 : 0)] = {hash, &entry};
  return entry.second;
}

void TextMetrics::ReadAscii() const {
  for (char32_t c = 0; c < ascii_.size(); ++c) {
    ascii_[c] = IsSimpleCharacter(c) ? measure_.PlainAdvance(c) : -1;
    plainExact_ = plainExact_ && WholeSixtyFourth(ascii_[c]);
  }
  asciiRead_ = true;
}

double TextMetrics::PlainBeyondAscii(char32_t c) const {
  // Characters beyond the Basic Multilingual Plane (emoji, rare ideographs) are always shaped.
  if (c >= 0x10000) return -1;
  if (bmp_.empty()) bmp_.assign(0x10000, std::numeric_limits<float>::quiet_NaN());
  float& slot = bmp_[c];
  if (std::isnan(slot)) {
    const double advance = IsSimpleCharacter(c) ? measure_.PlainAdvance(c) : -1;
    slot = static_cast<float>(advance);
    plainExact_ = plainExact_ && WholeSixtyFourth(advance);
  }
  return slot;
}

}  // namespace quilmar
