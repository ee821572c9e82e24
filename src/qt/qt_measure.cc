#include "qt_measure.hh"

#include <QFontInfo>
#include <QString>
#include <algorithm>
#include <cmath>

namespace quilmar {

QFont ToQFont(const FontSpec& spec) {
  QFont font(QString::fromStdU16String(spec.name));
  if (spec.size > 0) font.setPointSizeF(spec.size);
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  // A monospaced name that the system lacks should still fall back to a fixed-pitch face.
  font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
  return font;
}

FontSpec ToFontSpec(const QFont& font) {
  FontSpec spec;
  spec.name = font.family().toStdU16String();
  spec.bold = font.bold();
  spec.italic = font.italic();
  spec.size = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
  return spec;
}

QtMeasure::QtMeasure(double dpiX) : font_(ToQFont(FontSpec{})) {
  SetDpi(dpiX);
  Reset();
}

void QtMeasure::SetDpi(double dpiX) { cellWidth_ = 120.0 * dpiX / 1440.0; }

void QtMeasure::SetFont(const FontSpec& font) {
  font_ = ToQFont(font);
  Reset();
}

void QtMeasure::SetViewport(double width, int lines) {
  visibleWidth_ = std::max(1.0, width);
  visibleLines_ = std::max(1, lines);
}

void QtMeasure::Reset() {
  metrics_ = std::make_unique<QFontMetricsF>(font_);
  bmp_.assign(0x10000, -1.0f);
  astral_.clear();
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(metrics_->lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(metrics_->ascent()));
  // Fallback fonts (CJK, emoji) can be wider than anything in the font itself; the layout
  // only needs an upper bound, so be generous rather than wrong.
  maxAdvance_ = std::max({metrics_->maxWidth(), 2.5 * metrics_->height(), 1.0});
  // Fixed pitch: every printable ASCII character has the same advance, no need to ask.
  if (QFontInfo(font_).fixedPitch()) {
    const float w = static_cast<float>(metrics_->horizontalAdvance(QLatin1Char('M')));
    for (char16_t c = 0x20; c < 0x7F; ++c) bmp_[c] = w;
  }
}

double QtMeasure::Advance(char32_t c) const {
  if (c < 0x10000) {
    float& slot = bmp_[c];
    if (slot < 0) slot = static_cast<float>(metrics_->horizontalAdvance(QChar(char16_t(c))));
    return slot;
  }
  auto it = astral_.find(c);
  if (it != astral_.end()) return it->second;
  const char32_t codePoint[] = {c};
  const double w = metrics_->horizontalAdvance(QString::fromUcs4(codePoint, 1));
  astral_.emplace(c, w);
  return w;
}

}  // namespace quilmar
