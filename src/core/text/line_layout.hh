#pragma once
// The shaped geometry of one laid-out line: where each grapheme cluster is drawn and the
// pieces the line is drawn in. Painting, the caret, mouse hits, Up and Down and wrapping all
// read it, so what the user sees is what they act on. Offsets are from the line's start; x is
// in measure units from the line's left edge.
//
// A line is cut at tabs (stops from TabStops), then by direction (Unicode bidi, left-to-right
// lines). Text made only of characters that need no shaping is laid out from their advances
// and drawn in pieces of a few hundred units; other text is shaped by the measure one piece
// per run, cut only when a run is very long (at a space where one is near).
#include <cstdint>
#include <vector>

#include "text/ustring.hh"

namespace quilmar {

class TextMetrics;

class LineLayout {
 public:
  // A stretch drawn as one run: a tab, or text of one direction.
  struct Piece {
    std::int32_t from = 0;  // logical offsets in the line
    std::int32_t to = 0;
    double x = 0;  // left edge
    double width = 0;
    bool tab = false;
    bool rtl = false;
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

  void Build(StringView line, const TextMetrics& metrics);

  std::int32_t Length() const { return length_; }
  // Where text after the line would start: the sum of every piece, trailing spaces included.
  double Width() const { return width_; }
  // How far the line reaches without its trailing spaces and tabs, which may hang past the
  // width a line wraps at.
  double FitWidth() const { return fitWidth_; }
  // How many clusters come before those trailing spaces and tabs.
  std::size_t FitClusters() const { return fitClusters_; }
  // The pieces from left to right, and the clusters in logical order.
  const std::vector<Piece>& Pieces() const { return pieces_; }
  const std::vector<Cluster>& Clusters() const { return clusters_; }

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
  void AddSegment(StringView line, std::int32_t from, std::int32_t to, double& x, const TextMetrics& metrics);
  bool AddPlain(StringView line, std::int32_t from, std::int32_t to, double& x, const TextMetrics& metrics);
  void AddShaped(StringView text, std::int32_t base, bool rtl, double& x, const TextMetrics& metrics);
  std::size_t IndexOf(std::int32_t offset) const;  // the cluster holding offset

  std::vector<Cluster> clusters_;  // in logical order
  std::vector<Piece> pieces_;
  std::int32_t length_ = 0;
  double width_ = 0;
  double fitWidth_ = 0;
  std::size_t fitClusters_ = 0;
};

}  // namespace quilmar
