#include "qt_measure.hh"

#include <QFontInfo>
#include <QGlyphRun>
#include <QString>
#include <QTextLine>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quilmar {

namespace {

// The shaped pieces kept per generation: enough for every piece of a tall window several
// times over, little enough to stay a few megabytes (a laid-out piece holds some 40 bytes a
// character).
constexpr std::size_t kMaxPieces = 4096;
constexpr std::size_t kMaxUnits = 1 << 17;

// Every printable ASCII character next to every other, both ways round, and doubled: a
// font that kerns or ligates any pair shows it in one shaping of this.
QString AsciiPairs() {
  QString s;
  for (char16_t a = 0x20; a < 0x7F; ++a) {
    s += QChar(a);
    s += QChar(a);
    for (char16_t b = a + 1; b < 0x7F; ++b) {
      s += QChar(b);
      s += QChar(a);
    }
  }
  return s;
}

// Characters of scripts set on a grid (CJK ideographs and symbols, kana, Bopomofo, Yi,
// fullwidth forms): each is laid out alone, at its own advance, and drawn by its own glyph.
// Shaping never joins them, and text of them may break between any two, so a paragraph of
// them is laid out as fast as plain text; kerning between two such characters (which some
// fonts have for punctuation) is given up for it.
bool SetOnGrid(char32_t c) {
  return (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF);
}

// One line, never wrapped, left-aligned whatever its direction.
void LayOutOneLine(QTextLayout& layout, bool rtl) {
  QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(1e6);
  line.setPosition(QPointF(0, 0));
  layout.endLayout();
}

}  // namespace

QFont ToQFont(const FontSpec& spec) {
  QFont font(QString::fromStdU16String(spec.name));
  if (spec.size > 0) font.setPointSizeF(spec.size);
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  // A monospaced name that the system lacks should still fall back to a fixed-pitch face.
  font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
  return font;
}

QtMeasure::QtMeasure(double dpiX) : font_(ToQFont(FontSpec{})) {
  SetDpi(dpiX);
  Reset();
}

QtMeasure::~QtMeasure() = default;

void QtMeasure::SetDpi(double dpiX) { cellWidth_ = 120.0 * dpiX / 1440.0; }

void QtMeasure::SetFont(const FontSpec& font) {
  font_ = ToQFont(font);
  Reset();
}

void QtMeasure::UseFont(const QFont& font) {
  font_ = font;
  Reset();
}

void QtMeasure::SetViewport(double width, int lines) {
  visibleWidth_ = std::max(1.0, width);
  visibleLines_ = std::max(1, lines);
}

void QtMeasure::Reset() {
  metrics_ = std::make_unique<QFontMetricsF>(font_);
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(metrics_->lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(metrics_->ascent()));
  // Fallback fonts (CJK, emoji) can be wider than anything in the font itself; the layout
  // only needs an upper bound, so be generous rather than wrong.
  maxAdvance_ = std::max({metrics_->maxWidth(), 2.5 * metrics_->height(), 1.0});
  fixedPitch_ = QFontInfo(font_).fixedPitch();
  asciiTested_ = false;
  plain_.assign(0x10000, std::numeric_limits<float>::quiet_NaN());
  glyphs_.clear();
  fonts_.clear();
  current_.clear();
  previous_.clear();
  currentUnits_ = 0;
}

void QtMeasure::TestAscii() const {
  asciiTested_ = true;
  for (char16_t c = 0; c < 0x80; ++c) plain_[c] = -1;
  const QString pairs = AsciiPairs();
  QTextLayout layout(pairs, font_);
  LayOutOneLine(layout, false);
  const QList<QGlyphRun> runs = layout.glyphRuns();
  if (runs.size() != 1) return;  // a fallback font drew some of it
  const QList<QPointF> positions = runs.front().positions();
  if (positions.size() != pairs.size()) return;  // a ligature
  std::array<double, 0x80> advance;
  advance.fill(-1);
  const double end = layout.lineAt(0).horizontalAdvance();
  for (qsizetype i = 0; i < positions.size(); ++i) {
    const double a = (i + 1 < positions.size() ? positions[i + 1].x() : end) - positions[i].x();
    double& known = advance[pairs[i].unicode()];
    if (known < 0) known = a;
    else if (known != a) return;  // kerned
  }
  for (char16_t c = 0x20; c < 0x7F; ++c) plain_[c] = static_cast<float>(advance[c]);
}

double QtMeasure::ShapeAlone(char32_t c, Glyph* glyph) const {
  const char32_t one[] = {c};
  QTextLayout layout(QString::fromUcs4(one, 1), font_);
  LayOutOneLine(layout, false);
  const QTextLine line = layout.lineAt(0);
  if (glyph) {
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1 || runs.front().glyphIndexes().size() != 1) return -1;
    const QRawFont font = runs.front().rawFont();
    auto known = std::find(fonts_.begin(), fonts_.end(), font);
    if (known == fonts_.end()) known = fonts_.insert(fonts_.end(), font);
    glyph->font = static_cast<int>(known - fonts_.begin());
    glyph->index = runs.front().glyphIndexes().front();
    glyph->offset = runs.front().positions().front() - QPointF(0, line.ascent());
  }
  return line.horizontalAdvance();
}

double QtMeasure::PlainAdvance(char32_t c) const {
  if (!asciiTested_) TestAscii();
  if (c < 0x80) return plain_[c];
  if (c >= 0x10000) return -1;
  float& slot = plain_[c];
  if (std::isnan(slot)) {
    slot = -1;
    if (SetOnGrid(c)) {
      Glyph glyph;
      const double advance = ShapeAlone(c, &glyph);
      if (advance >= 0) {
        glyphs_[static_cast<char16_t>(c)] = glyph;
        slot = static_cast<float>(advance);
      }
    } else if (fixedPitch_ && plain_[u'M'] >= 0 && metrics_->inFontUcs4(c)) {
      // Beyond ASCII a fixed-pitch font that kerns nothing vouches for its own characters at
      // its one advance; proportional fonts shape everything else.
      if (ShapeAlone(c, nullptr) == plain_[u'M']) slot = plain_[u'M'];
    }
  }
  return slot;
}

const QtMeasure::Glyph& QtMeasure::GlyphOf(char16_t c) const {
  auto it = glyphs_.find(c);
  if (it == glyphs_.end()) {
    Glyph glyph;
    ShapeAlone(c, &glyph);
    it = glyphs_.emplace(c, glyph).first;
  }
  return it->second;
}

void QtMeasure::DrawPlain(QPainter& painter, StringView piece, QPointF origin) const {
  // Characters the font itself vouches for come out of one shaping of the piece exactly
  // where their advances put them; a piece with a character set on a grid is drawn a glyph
  // at a time, runs of one font each, at the very places the layout gave them.
  if (std::none_of(piece.begin(), piece.end(), [](char16_t c) { return SetOnGrid(c); })) {
    const QTextLine line = PieceLayout(piece, false).lineAt(0);
    line.draw(&painter, origin - QPointF(0, line.ascent()));
    return;
  }
  QList<quint32> indexes;
  QList<QPointF> positions;
  int font = -1;
  auto flush = [&] {
    if (indexes.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(fonts_[static_cast<std::size_t>(font)]);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);
    painter.drawGlyphRun(origin, run);
    indexes.clear();
    positions.clear();
  };
  double x = 0;
  for (const char16_t c : piece) {
    const Glyph& glyph = GlyphOf(c);
    if (glyph.font != font) flush();
    font = glyph.font;
    if (glyph.font >= 0) {
      indexes.push_back(glyph.index);
      positions.push_back(QPointF(x, 0) + glyph.offset);
    }
    x += PlainAdvance(c);
  }
  flush();
}

QtMeasure::Shaped& QtMeasure::Lookup(StringView piece, bool rtl) const {
  String key;
  key.reserve(piece.size() + 1);
  key.push_back(rtl ? u'R' : u'L');
  key.append(piece);
  if (auto it = current_.find(key); it != current_.end()) return *it->second;
  auto roll = [this] {
    if (current_.size() < kMaxPieces && currentUnits_ < kMaxUnits) return;
    previous_ = std::move(current_);
    current_.clear();
    currentUnits_ = 0;
  };
  if (auto it = previous_.find(key); it != previous_.end()) {
    std::unique_ptr<Shaped> kept = std::move(it->second);
    previous_.erase(it);
    roll();
    currentUnits_ += piece.size();
    return *current_.emplace(std::move(key), std::move(kept)).first->second;
  }
  roll();
  auto shaped = std::make_unique<Shaped>(QString::fromUtf16(piece.data(), static_cast<qsizetype>(piece.size())), font_);
  LayOutOneLine(shaped->layout, rtl);
  currentUnits_ += piece.size();
  return *current_.emplace(std::move(key), std::move(shaped)).first->second;
}

double QtMeasure::Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const {
  Shaped& shaped = Lookup(piece, rtl);
  if (!shaped.measured) {
    // The pieces have one direction, so the caret places run monotonically across them and
    // each cluster lies between the places of its two ends.
    thread_local std::vector<std::int32_t> ends;
    clusterEnds(piece, ends);
    const QTextLine line = shaped.layout.lineAt(0);
    double from = line.cursorToX(0);
    for (const std::int32_t end : ends) {
      const double to = line.cursorToX(end);
      shaped.boxes.push_back({end, std::min(from, to), std::max(from, to)});
      from = to;
    }
    shaped.advance = line.horizontalAdvance();
    shaped.measured = true;
  }
  boxes.insert(boxes.end(), shaped.boxes.begin(), shaped.boxes.end());
  return shaped.advance;
}

const QTextLayout& QtMeasure::PieceLayout(StringView piece, bool rtl) const { return Lookup(piece, rtl).layout; }

}  // namespace quilmar
