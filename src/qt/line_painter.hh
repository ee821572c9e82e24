#pragma once
// Draws one laid-out line from the core's LineLayout, for both text views: plain pieces by
// their advances, shaped pieces by the layouts the measure shaped them with, and a selection
// as its highlighted spans with the text inside them drawn again in the highlight's colour.
#include <QPainter>
#include <QPalette>
#include <vector>

#include "qt_measure.hh"
#include "text/line_layout.hh"

namespace quilmar {

// Where a line is drawn: its left edge (layout x 0), its row's top and height, its baseline.
struct LinePlace {
  double left = 0;
  double top = 0;
  double height = 0;
  double baseline = 0;
};

// The pieces that reach into [clipLeft, clipRight] (layout x), in the painter's pen.
void PaintPieces(QPainter& painter, const QtMeasure& measure, const LineLayout& layout, StringView text,
                 const LinePlace& place, double clipLeft, double clipRight);
// The spans (layout x) filled with the highlight, and the text inside them in its colour.
void PaintHighlight(QPainter& painter, const QtMeasure& measure, const LineLayout& layout, StringView text,
                    const LinePlace& place, const std::vector<LineLayout::Span>& spans, const QPalette& palette);

}  // namespace quilmar
