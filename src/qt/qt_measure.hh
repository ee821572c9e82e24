#pragma once
// Character widths from Qt's font metrics, in device-independent pixels, for the layout of
// the document; the view tells it how big the document area is.
#include <QFont>
#include <QFontMetricsF>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/measure.hh"

namespace quilmar {

// QFont from the editor's font values, and back.
QFont ToQFont(const FontSpec& spec);
FontSpec ToFontSpec(const QFont& font);

class QtMeasure final : public Measure {
 public:
  // dpiX: the screen's logical horizontal dots per inch (a cell is 120 twips across).
  explicit QtMeasure(double dpiX = 96.0);

  double Advance(char32_t c) const override;
  double MaxAdvance() const override { return maxAdvance_; }
  double CellWidth() const override { return cellWidth_; }
  double VisibleWidth() const override { return visibleWidth_; }
  int VisibleLines() const override { return visibleLines_; }
  void SetFont(const FontSpec& font) override;

  // The document area changed size (the view calls this on resize).
  void SetViewport(double width, int lines);
  void SetDpi(double dpiX);

  const QFont& Font() const { return font_; }
  const QFontMetricsF& Metrics() const { return *metrics_; }
  // Height of one laid-out line in pixels (whole pixels, so lines never blur).
  int LineHeight() const { return lineHeight_; }
  int Ascent() const { return ascent_; }

 private:
  void Reset();

  QFont font_;
  std::unique_ptr<QFontMetricsF> metrics_;
  // Advances of the Basic Multilingual Plane, measured on first use (negative: not yet).
  mutable std::vector<float> bmp_;
  mutable std::unordered_map<char32_t, double> astral_;
  double maxAdvance_ = 1;
  double cellWidth_ = 8;
  double visibleWidth_ = 640;
  int visibleLines_ = 25;
  int lineHeight_ = 16;
  int ascent_ = 12;
};

}  // namespace quilmar
