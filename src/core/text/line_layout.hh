#pragma once
// The shaped geometry of one laid-out line: where each grapheme cluster is drawn and the
// pieces the line is drawn in. Painting, the caret, mouse hits, Up and Down and wrapping all
// read it, so what the user sees is what they act on. Offsets are from the line's start; x is
// in measure units from the line's left edge.
//
// A line is cut at tabs (stops from TabStops), then by direction (Unicode bidi, left-to-right
// lines). Text made only of characters that need no shaping is laid out from their advances
// and drawn in pieces of a few hundred units; its clusters are not stored but added up again
// when asked about (a piece at most), so a line of ten thousand characters costs one pass.
// Other text is shaped by the measure a word at a time (with the spaces after it); in
// left-to-right runs a word of plain characters among them is laid out from advances again.
#include <cstdint>
#include <vector>

#include "text/text_metrics.hh"
#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

class LineLayout {
 public:
  LineLayout() = default;
  // Not copied: the text may be the layout's own, which a copy would not point at.
  LineLayout(const LineLayout&) = delete;
  LineLayout& operator=(const LineLayout&) = delete;

  // A stretch drawn as one run: a tab, or text of one direction.
  struct Piece {
    std::int32_t from = 0;  // logical offsets in the line
    std::int32_t to = 0;
    double x = 0;  // left edge
    double width = 0;
    bool tab = false;
    bool rtl = false;
    bool shaped = false;      // its clusters are stored (else: one per unit, from advances)
    std::uint32_t first = 0;  // its stored clusters: [first, first + count)
    std::uint32_t count = 0;
  };
  // One grapheme cluster: where it starts and where it is drawn.
  struct Cluster {
    std::int32_t start = 0;
    double left = 0;
    double right = 0;
    bool rtl = false;
  };
  // A left and right edge.
  struct Span {
    double left = 0;
    double right = 0;
  };

  // Lays out `line`, which must stay valid (unedited) as long as the layout is asked about.
  // One-byte units are copied into the layout as two-byte ones first (a line's worth).
  void Build(UnitSpan line, const TextMetrics& metrics);
  // The line's characters (the document's own where they are two-byte units).
  StringView Text() const { return text_; }
  // Takes a copy of the line's characters, so the layout outlives edits of the document.
  void KeepText();

  std::int32_t Length() const { return static_cast<std::int32_t>(text_.size()); }
  // Where text after the line would start: the sum of every piece, trailing spaces included.
  double Width() const { return width_; }
  // How far the line reaches without its trailing spaces and tabs, which may hang past the
  // width a line wraps at, and whether a single cluster comes before them.
  double FitWidth() const { return fitWidth_; }
  bool FitIsOneCluster() const { return fitIsOneCluster_; }
  // The pieces from left to right.
  const std::vector<Piece>& Pieces() const { return pieces_; }
  // Every cluster in logical order, as f(const Cluster&).
  template <typename F>
  void ForEachCluster(F&& f) const;

  // The caret's x at an offset: the leading edge of the cluster that begins there (its left
  // edge, or its right one in right-to-left text), at the line's end the trailing edge of the
  // last cluster. Where the direction changes one offset has two places on screen; this is
  // the one where the character at the caret is.
  double CaretX(std::int32_t offset) const;
  // Where a click at x puts the caret: the start of the cluster under x (or nearest to it)
  // when x is on its leading half, else its end; never the line's end unless `endAllowed`.
  std::int32_t OffsetAt(double x, bool endAllowed = true) const;
  // Where the cluster holding offset is drawn (empty at the caret's place at the line's end).
  Span ClusterAt(std::int32_t offset) const;
  // What highlights the logical range [from, to): the clusters' spans from left to right,
  // touching ones joined. Right-to-left text can make it several.
  void Highlight(std::int32_t from, std::int32_t to, std::vector<Span>& out) const;

 private:
  void AddSegment(std::int32_t from, std::int32_t to, double& x);
  bool AddPlain(std::int32_t from, std::int32_t to, double& x);
  void AddShaped(std::int32_t from, std::int32_t to, bool rtl, double& x);
  void Fit();
  const Piece& PieceAt(std::int32_t offset) const;  // the piece holding offset < Length()
  Cluster ClusterIn(const Piece& p, std::int32_t offset) const;
  double PlainX(const Piece& p, std::int32_t offset) const;  // x at a unit of a plain piece

  StringView text_;
  String own_;  // the line's characters when the document holds them as one-byte units
  const TextMetrics* metrics_ = nullptr;
  std::vector<Piece> pieces_;         // in visual order
  std::vector<std::uint32_t> order_;  // piece indices in logical order
  std::vector<Cluster> shaped_;       // clusters of shaped pieces, logical order in each
  double width_ = 0;
  double fitWidth_ = 0;
  bool fitIsOneCluster_ = false;
};

// Where the piece of a shaped run that starts at `from` ends, in [from, to) of seg: after the
// word there and the spaces after it, cut at a cluster boundary when longer than a piece may be.
// The line breaker follows the layout's pieces with it.
std::int32_t ShapedWordEnd(StringView seg, std::int32_t from, std::int32_t to);

template <typename F>
void LineLayout::ForEachCluster(F&& f) const {
  for (std::uint32_t i : order_) {
    const Piece& p = pieces_[i];
    if (p.tab) {
      f(Cluster{p.from, p.x, p.x + p.width, false});
    } else if (p.shaped) {
      for (std::uint32_t k = p.first; k < p.first + p.count; ++k) f(shaped_[k]);
    } else {
      double x = p.x;
      for (std::int32_t u = p.from; u < p.to; ++u) {
        const double right = metrics_->PlainEnd(x, text_[static_cast<std::size_t>(u)]);
        f(Cluster{u, x, right, false});
        x = right;
      }
    }
  }
}

}  // namespace quilmar
