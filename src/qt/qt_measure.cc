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

double QtMeasure::PlainAdvance(char32_t c) const {
  if (!asciiTested_) TestAscii();
  if (c < 0x80) return plain_[c];
  // Beyond ASCII only a fixed-pitch font that kerns nothing vouches for its own characters
  // at its one advance; proportional fonts shape everything else.
  if (!fixedPitch_ || c >= 0x10000 || plain_[u'M'] < 0) return -1;
  float& slot = plain_[c];
  if (std::isnan(slot)) {
    slot = -1;
    if (metrics_->inFontUcs4(c)) {
      const char32_t one[] = {c};
      QTextLayout layout(QString::fromUcs4(one, 1), font_);
      LayOutOneLine(layout, false);
      if (layout.lineAt(0).horizontalAdvance() == plain_[u'M']) slot = plain_[u'M'];
    }
  }
  return slot;
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
