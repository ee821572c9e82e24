#pragma once
// How wide characters are: the one place where fonts and the window's size reach the layout.
// The headless measure makes every character one cell wide; the Qt one uses font metrics.
#include "text/font.hh"

namespace quilmar {

class Measure {
 public:
  virtual ~Measure() = default;
  // Width of one character (a code point), in the measure's own units (cells or pixels).
  virtual double Advance(char32_t c) const = 0;
  // No character is wider than this; lets the layout skip measuring lines that surely fit.
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

// Every character one cell; the visible area is a fixed number of cells and rows.
class CellMeasure final : public Measure {
 public:
  CellMeasure(int cols, int rows) : cols_(cols), rows_(rows) {}
  double Advance(char32_t) const override { return 1.0; }
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
