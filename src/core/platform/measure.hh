#pragma once
// How wide text is: the one place where fonts and the window's size reach the layout. The
// core cuts a laid-out line into pieces (between tabs, one direction each) and asks the
// measure for the clusters' places in each piece; the measure answers from the font's shaping
// (kerning, ligatures, fallback fonts). The headless measure makes every cluster one cell.
#include <cstdint>
#include <vector>

#include "text/font.hh"
#include "text/ustring.hh"

namespace quilmar {

// One grapheme cluster of a shaped piece: where it ends (an offset into the piece), and
// where it is drawn: its left and right edges, in the measure's units from the piece's left
// edge.
struct ClusterBox {
  std::int32_t end = 0;
  double left = 0;
  double right = 0;
};

// How the core cuts a piece into grapheme clusters: their ends, ascending, the last one
// piece.size(). A measure that keeps what it shaped asks only for pieces it has not seen.
using ClusterEndsFn = void (*)(StringView piece, std::vector<std::int32_t>& ends);

class Measure {
 public:
  virtual ~Measure() = default;
  // The advance of a simple character (text/grapheme.hh) when the font's shaping can never
  // change it: the same alone as beside any other such character, drawn by the font itself.
  // Negative when that is not certain; text holding it is then shaped piece by piece.
  virtual double PlainAdvance(char32_t c) const = 0;
  // Shapes one piece of a line: no tab or line break, one direction (rtl: right to left, the
  // first cluster rightmost), cut into clusters by `clusterEnds`. Appends one box per cluster,
  // in logical order, and returns the piece's advance: where the next piece starts. This
  // default adds plain advances, left to right.
  virtual double Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const;
  // No cluster is wider than this per code unit; lets the layout skip measuring lines that
  // surely fit.
  virtual double MaxAdvance() const = 0;
  // One character cell across (120 twips) in the measure's units: tab stops and the right
  // margin are given in cells.
  virtual double CellWidth() const = 0;
  // Width of the document area, where lines wrap when the right margin is 0.
  virtual double VisibleWidth() const = 0;
  // Number of whole lines the document area shows: the step of Page Up and Page Down.
  virtual int VisibleLines() const = 0;
  // The document's font changed; later answers follow it.
  virtual void SetFont(const FontSpec& font) = 0;
};

// Every cluster one cell; the visible area is a fixed number of cells and rows.
class CellMeasure final : public Measure {
 public:
  CellMeasure(int cols, int rows) : cols_(cols), rows_(rows) {}
  double PlainAdvance(char32_t) const override { return 1.0; }
  double Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const override;
  double MaxAdvance() const override { return 1.0; }
  double CellWidth() const override { return 1.0; }
  double VisibleWidth() const override { return cols_; }
  int VisibleLines() const override { return rows_; }
  void SetFont(const FontSpec&) override {}
  void Resize(int cols, int rows) { cols_ = cols; rows_ = rows; }

 private:
  int cols_;
  int rows_;
};

}  // namespace quilmar
