#pragma once
// Text geometry from Qt's shaping, in device-independent pixels, for the layout of the
// document: the pieces of a line the core asks about are laid out by QTextLayout (font
// fallback, kerning, ligatures, one direction each) and kept, so that painting draws the very
// layouts the core measured. The view tells it how big the document area is.
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/measure.hh"

namespace quilmar {

// QFont from the editor's font values.
QFont ToQFont(const FontSpec& spec);

class QtMeasure final : public Measure {
 public:
  // dpiX: the screen's logical horizontal dots per inch (a cell is 120 twips across).
  explicit QtMeasure(double dpiX = 96.0);
  ~QtMeasure() override;

  double PlainAdvance(char32_t c) const override;
  double Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const override;
  double MaxAdvance() const override { return maxAdvance_; }
  double CellWidth() const override { return cellWidth_; }
  double VisibleWidth() const override { return visibleWidth_; }
  int VisibleLines() const override { return visibleLines_; }
  void SetFont(const FontSpec& font) override;
  // Measures in a widget's own font (the command box's) instead of a font of the editor's.
  void UseFont(const QFont& font);

  // The piece laid out as Shape measures it: one line at x 0, for drawing. Valid until the
  // next call that lays out a piece.
  const QTextLayout& PieceLayout(StringView piece, bool rtl) const;
  // Draws a piece of plain characters (PlainAdvance), the left end of its baseline at
  // `origin`, each character at the sum of the advances before it, as the layout placed it.
  void DrawPlain(QPainter& painter, StringView piece, QPointF origin) const;

  // The document area changed size (the view calls this on resize).
  void SetViewport(double width, int lines);
  void SetDpi(double dpiX);

  const QFont& Font() const { return font_; }
  const QFontMetricsF& Metrics() const { return *metrics_; }
  // Height of one laid-out line in pixels (whole pixels, so lines never blur).
  int LineHeight() const { return lineHeight_; }
  int Ascent() const { return ascent_; }

 private:
  struct Shaped {
    QTextLayout layout;
    std::vector<ClusterBox> boxes;  // filled by the first Shape
    double advance = 0;
    bool measured = false;
    Shaped(const QString& text, const QFont& font) : layout(text, font) {}
  };
  using Cache = std::unordered_map<String, std::unique_ptr<Shaped>>;

  // A character's one glyph, as its shaping alone draws it: the glyph's font (in fonts_),
  // and where it sits from the character's place on the baseline.
  struct Glyph {
    int font = -1;
    quint32 index = 0;
    QPointF offset;
  };

  void Reset();
  void TestAscii() const;
  // A character laid out alone: its advance, and its glyph when it is drawn by one.
  double ShapeAlone(char32_t c, Glyph* glyph) const;
  const Glyph& GlyphOf(char16_t c) const;
  Shaped& Lookup(StringView piece, bool rtl) const;

  QFont font_;
  std::unique_ptr<QFontMetricsF> metrics_;
  // Plain advances: ASCII from one shaping of every pair of printable characters, others one
  // by one as they are asked about (negative: the text holding them is shaped).
  mutable bool asciiTested_ = false;
  mutable std::vector<float> plain_;
  bool fixedPitch_ = false;
  // Glyphs of the plain characters drawn one by one, and the fonts (fallbacks too) they use.
  mutable std::unordered_map<char16_t, Glyph> glyphs_;
  mutable std::vector<QRawFont> fonts_;
  // Shaped pieces in two generations: a piece asked for again moves to the current one;
  // when the current one is full it becomes the previous one and the oldest are dropped.
  mutable Cache current_;
  mutable Cache previous_;
  mutable std::size_t currentUnits_ = 0;
  double maxAdvance_ = 1;
  double cellWidth_ = 8;
  double visibleWidth_ = 640;
  int visibleLines_ = 25;
  int lineHeight_ = 16;
  int ascent_ = 12;
};

}  // namespace quilmar
