#pragma once
// Inside Document, for its own files alone: the tree's node, the block of paragraphs and the
// sizes they are cut at. document.cc locates and edits; document_blocks.cc builds blocks and
// lays them out; document_tree.cc keeps the nodes and the treap; document_reading.cc reads.
#include <algorithm>
#include <cstddef>
#include <limits>

#include "text/document.hh"

namespace quilmar {

// A node of the tree: a run of consecutive paragraphs of one block, or one edited paragraph
// with a string of its own. Kept small so that a descent touches little memory.
struct Document::Node {
  NodeId left;
  NodeId right;
  std::uint32_t prio = 0;
  BlockId block;            // a run of this block's paragraphs; none: an edited paragraph
  std::int32_t first = 0;   // the run's first paragraph in its block
  std::int32_t count = 0;   // paragraphs; 0: a free node
  OwnedId owned;            // an edited paragraph's text
  WrapsId wraps;            // an edited paragraph's wraps; none: a single line
  BreakForm form = BreakForm::Native;  // an edited paragraph's break (a run's are its block's)
  std::uint32_t chars = 0;  // the text with a break after every paragraph (within one block)
  std::int32_t lines = 0;   // laid-out lines
  std::int64_t subPars = 0;  // subtree sums: the whole document's, past 2^31
  std::int64_t subLines = 0;
  std::int64_t subChars = 0;

  bool IsRun() const { return static_cast<bool>(block); }
};

// Paragraphs joined by "\r\n" that never change, indexed and laid out once for every node
// that shows some of them. A block's offsets are 32-bit: a text longer than kBlockUnits is cut
// into several blocks (at paragraph ends), so the per-paragraph arrays of a document of
// several gigabytes cost 4 bytes a paragraph, and only the tree's sums are 64-bit.
struct Document::Block {
  SharedText text;
  UnitSpan view;                        // text.View(), kept at hand
  std::vector<std::int32_t> starts;     // each paragraph's start, then the size + 2
  std::vector<std::int32_t> lineStarts; // lines before each paragraph, then all of them;
                                        // empty while every paragraph is a single line
  std::vector<std::int32_t> wraps;      // every paragraph's wrap offsets, in order
  // Paragraphs of shaped text measured for wrapping, by paragraph (LineBreaker::Wrap).
  struct Measured {
    std::int32_t para = 0;
    ParagraphPieces pieces;
  };
  std::vector<Measured> measured;
  BreakRuns forms;                      // the breaks' file forms, by paragraph
  std::int32_t nodes = 0;               // nodes using it; 0: a free slot
  // Paragraphs [0, laidTo) are laid out; those after them (an assigned text whose layout is
  // still going on) count one line each, with no entry of their own in lineStarts yet.
  std::int32_t laidTo = 0;
  bool whole = true;                    // every paragraph laid out (not only those shown)
  // The layout's setting and the paragraphs it laid out; the layout before it is kept with
  // its own, so that going back to that setting (Word Wrap off and on again, a window
  // narrowed and widened back) swaps it in instead of wrapping the text again.
  struct Layout {
    LineBreaker::Setting setting;
    std::vector<ParaRange> shown;
    std::vector<std::int32_t> lineStarts, wraps;
    bool whole = true;
  };
  Layout kept;
  LineBreaker::Setting setting;
  std::vector<ParaRange> shown;

  std::int32_t Paragraphs() const { return static_cast<std::int32_t>(starts.size()) - 1; }
  std::int32_t Start(std::int32_t p) const { return starts[static_cast<std::size_t>(p)]; }
  std::int32_t LinesBefore(std::int32_t p) const {
    if (p > laidTo) return LinesBefore(laidTo) + (p - laidTo);
    return lineStarts.empty() ? p : lineStarts[static_cast<std::size_t>(p)];
  }
  UnitSpan Para(std::int32_t p) const {
    const auto from = static_cast<std::size_t>(Start(p));
    return view.substr(from, static_cast<std::size_t>(Start(p + 1)) - from - 2);
  }
  std::span<const std::int32_t> Wraps(std::int32_t p) const {
    if (lineStarts.empty() || p >= laidTo) return {};
    const auto from = static_cast<std::size_t>(LinesBefore(p) - p);
    const auto to = static_cast<std::size_t>(LinesBefore(p + 1) - p - 1);
    return std::span<const std::int32_t>(wraps.data() + from, to - from);
  }
  // Wraps paragraph p into `out`, from its measured pieces where the block keeps them
  // (`cursor` walks `measured` forward from one paragraph to the next); a paragraph measured
  // for the first time goes to `added`, in order.
  void Wrap(const LineBreaker& breaker, std::int32_t p, WrapList& out, std::size_t& cursor,
            std::vector<Measured>& added);
  // Adds measured paragraphs, in order, to those kept.
  void AddMeasured(std::vector<Measured> added);
  // Where paragraphs [first, first+count) lie in the text: with the breaks between them,
  // and with the break after the last when the text holds one.
  UnitSpan Run(std::int32_t first, std::int32_t count) const {
    const auto from = static_cast<std::size_t>(Start(first));
    const auto to = std::min(static_cast<std::size_t>(Start(first + count)), view.size());
    return view.substr(from, to - from);
  }
};

namespace document_parts {
inline constexpr char16_t kBreak[] = u"\r\n";
// A block holds about this many units at most: a single longer paragraph (up to
// kMaxParagraph) has a block of its own.
inline constexpr std::size_t kBlockUnits = std::size_t(1) << 30;
static_assert(Document::kMaxParagraph + 2 <= std::numeric_limits<std::int32_t>::max());
// Long stretches are handed out in runs of at most this many units, so a scan that stops
// early never walks far ahead.
inline constexpr std::size_t kMaxRun = 1 << 16;
}  // namespace document_parts

}  // namespace quilmar
