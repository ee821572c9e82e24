#include "line_painter.hh"

#include <QTextLayout>

namespace quilmar {

void PaintPieces(QPainter& painter, const QtMeasure& measure, const LineLayout& layout, StringView text,
                 const LinePlace& place, double clipLeft, double clipRight) {
  for (const LineLayout::Piece& piece : layout.Pieces()) {
    if (piece.tab || piece.x + piece.width < clipLeft || piece.x > clipRight) continue;
    const StringView part = text.substr(static_cast<std::size_t>(piece.from), static_cast<std::size_t>(piece.to - piece.from));
    if (!piece.shaped) {
      measure.DrawPlain(painter, part, QPointF(piece.x + place.left, place.baseline));
      continue;
    }
    // Every piece on the line's one baseline, however tall its fallback fonts make it.
    const QTextLine line = measure.PieceLayout(part, piece.rtl).lineAt(0);
    line.draw(&painter, QPointF(piece.x + place.left, place.baseline - line.ascent()));
  }
}

void PaintHighlight(QPainter& painter, const QtMeasure& measure, const LineLayout& layout, StringView text,
                    const LinePlace& place, const std::vector<LineLayout::Span>& spans, const QPalette& palette) {
  for (const LineLayout::Span& s : spans) {
    const QRectF rect(s.left + place.left, place.top, s.right - s.left, place.height);
    painter.fillRect(rect, palette.color(QPalette::Highlight));
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(palette.color(QPalette::HighlightedText));
    // Glyphs may reach a little past their advance (italics, marks): the pieces near the span.
    PaintPieces(painter, measure, layout, text, place, s.left - measure.MaxAdvance(), s.right + measure.MaxAdvance());
    painter.restore();
  }
}

}  // namespace quilmar
