#pragma once
// The document's text and its layout: UTF-16 paragraphs joined by "\r\n". The text lives in
// shared immutable blocks (the loaded text, each text of several lines inserted) indexed by
// paragraph, plus a string of its own for each paragraph edited in place. A block holds one
// byte per unit where all its characters fit in one (see UnitSpan), so reading the text hands
// out UnitSpans; an edited paragraph is always two-byte units. A balanced tree (an
// implicit treap over a pool of nodes) orders runs of block paragraphs and edited paragraphs;
// its subtree sums answer every position and line question in O(log n). So loading, pasting
// and substituting cost a handful of nodes, however many lines they bring.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "text/break_forms.hh"
#include "text/line_breaker.hh"
#include "text/pool.hh"
#include "text/shared_text.hh"
#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

class Document {
  // Handles into the document's pools: a node of the tree, a block, an edited paragraph's
  // text, its wrap offsets. Each kind is its own type, so one cannot index another's pool.
  using NodeId = PoolHandle<struct NodeTag>;
  using BlockId = PoolHandle<struct BlockTag>;
  using OwnedId = PoolHandle<struct OwnedTag>;
  using WrapsId = PoolHandle<struct WrapsTag>;

 public:
  // Lays paragraphs out with `breaker`, which must outlive the document.
  explicit Document(const LineBreaker& breaker);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // The most units a document holds, and a paragraph (its break excluded). Positions are
  // 64-bit; a paragraph's offsets (its wraps, a laid-out line's pieces) stay 32-bit, and so
  // does everything measured inside one block.
  static constexpr std::int64_t kMaxLength = std::int64_t(1) << 60;
  static constexpr std::int64_t kMaxParagraph = std::numeric_limits<std::int32_t>::max() - 8;

  // Replaces everything, in time linear in the text. The text must hold "\r\n" breaks only
  // (no lone "\r" or "\n"); NormalizeBreaks makes it so. `forms` are its breaks' file forms.
  // False, with the document untouched, when a paragraph is longer than kMaxParagraph.
  bool Assign(SharedText text, BreakRuns forms = {});
  bool Assign(String text, BreakRuns forms = {}) { return Assign(SharedText(std::move(text)), std::move(forms)); }
  // Whether the document can take Replace(start, length, text): it stays within kMaxLength and
  // every paragraph within kMaxParagraph. Costs a look at the two paragraphs, and a scan of the
  // text only when the edit could make a paragraph that long.
  bool Holds(CharPos start, CharPos length, UnitSpan text) const;

  CharPos Length() const;
  ParaNo ParagraphCount() const;
  LineNo LineCount() const;
  char16_t CharAt(CharPos pos) const;  // pos in [0, Length())
  String Slice(CharPos start, CharPos length) const;  // clamped to the text
  String Text() const;
  // The whole text as views of the document's storage, in order, valid until the next edit.
  // A piece never ends between the two halves of a "\r\n" or of a surrogate pair.
  std::vector<UnitSpan> Pieces() const;

  // One paragraph as the tree holds it. `text` stays valid until the next edit.
  struct Para {
    ParaNo index = 0;
    CharPos start = 0;
    LineNo firstLine = 0;
    UnitSpan text;
    std::span<const std::int32_t> wraps;
  };
  Para ParagraphAt(CharPos pos) const;  // pos clamped to [0, Length()]; a break belongs to
                                        // the paragraph it ends
  Para Paragraph(ParaNo index) const;   // index clamped to [0, ParagraphCount())
  Para ParagraphOfLine(LineNo line) const;  // line clamped to [0, LineCount())

  // The laid-out line holding pos (clamped to [0, Length()]); a break belongs to the line
  // it ends.
  LineNo LineOf(CharPos pos) const;
  // Start and length (break excluded) of a laid-out line, line in [0, LineCount()).
  CharPos LineStart(LineNo line) const;
  CharPos LineLength(LineNo line) const;

  // Replaces [start, start+length) by `text`. The text must hold "\r\n" breaks only and
  // neither end of the range may fall between "\r" and "\n" (both checked in debug builds:
  // such a range would take a break with it). Re-wraps only the paragraphs
  // it touches. Returns the text as the document keeps it: a text of several lines equal to
  // the last one inserted (the same paste again) shares that one's storage and layout.
  // The text's breaks take `forms` (Native unless given: a typed or pasted break); the
  // paragraph that keeps the range's last break keeps its form, so an edit inside a line or
  // a joining of lines leaves the remaining break as it was.
  SharedText Replace(CharPos start, CharPos length, SharedText text, const BreakRuns& forms = {});
  // The forms of the breaks in [start, start+length), numbered from the first of them (what
  // Replace needs to put a removed text back as it was). Empty, without a walk, when the
  // range holds no break.
  BreakRuns FormsIn(CharPos start, CharPos length) const;
  // The forms of every break of the document.
  BreakRuns Forms() const;
  // [start, start+length) clamped to the text, sharing the document's storage where that
  // stretch lies in one block (as all of a freshly loaded text does), copied otherwise.
  SharedText Share(CharPos start, CharPos length) const;
  // Lays every paragraph out again (the width, the font or the tab stops changed): only the
  // paragraphs the document still shows, not those of its blocks that edits replaced.
  void Relayout();

  // A text just assigned is laid out only as far as its first screen needs (kFirstLayout
  // units, at least one paragraph: more than a window filling a big monitor shows at a small
  // font), so that it shows before the rest is wrapped; LayOutMore
  // goes on a slice at a time. Until the layout is done the paragraphs after the laid-out
  // ones count one line each, and any question that reaches them (a line, a position or a
  // paragraph past the laid-out ones, LineCount) finishes it first, so every answer is
  // exact. An edit finishes it too; a relayout lays out the first screen again.
  static constexpr std::int64_t kFirstLayout = std::int64_t(1) << 16;
  bool LayoutPending() const { return !pending_.blocks.empty(); }
  // Lays out about `units` more units (all that are left for 0 or less); true when done.
  bool LayOutMore(std::int64_t units);
  // The lines counted so far, without finishing the layout: LineCount() once it is done.
  LineNo LinesSoFar() const;
  // Whether `line` is one of the text's lines, and `line` clamped to them: neither finishes
  // the layout for a line already laid out.
  bool HasLine(LineNo line) const;
  LineNo ClampLine(LineNo line) const;

  // Walks the text forward from a position as runs of adjacent code units (an edited
  // paragraph, a break, or a node's whole run of block paragraphs with their breaks).
  // Invalidated by edits.
  class Runs {
   public:
    Runs(const Document& doc, CharPos from);
    // The next run and the position of its first unit; false at the end of the text.
    bool Next(UnitSpan& run, CharPos& runStart);

   private:
    bool NextPiece(UnitSpan& piece);
    void Descend(NodeId node);

    const Document& doc_;
    std::vector<NodeId> stack_;
    NodeId node_;
    int phase_ = 0;          // 0: the node's text is next, 1: a break after it, 2: done with it
    std::int64_t skip_ = 0;  // units to drop from the node's first piece
    CharPos pos_ = 0;
    UnitSpan rest_;          // what is left of a piece longer than one run
  };

  // Bytes held for the text, the tree and the layout (for benchmarks and tests).
  std::size_t MemoryUse() const;

 private:
  struct Node;
  struct Block;
  // A located paragraph: its node, its place in the node's block, and what precedes it.
  struct Locus {
    NodeId node;
    std::int32_t para = 0;  // the paragraph in the node's block (0 for an edited paragraph)
    ParaNo index = 0;
    std::int64_t start = 0;
    LineNo firstLine = 0;
  };
  // Paragraphs [first, first+count) of a block that some node still shows.
  struct ParaRange {
    std::int32_t first = 0, count = 0;
  };

  // An assigned text's layout while it is unfinished: its blocks in order, the first of them
  // not wholly laid out, and the paragraphs, units and lines of the blocks before that one.
  struct Pending {
    std::vector<BlockId> blocks;
    std::size_t next = 0;
    std::int64_t paras = 0, chars = 0, lines = 0;
  };
  struct Extent {
    std::int64_t paras = 0, chars = 0, lines = 0;
  };

  // The blocks of a text, laid out unless `layOut` is false; nothing when a paragraph is too long.
  std::optional<std::vector<Block>> MakeBlocks(const SharedText& text, const BreakRuns& forms, bool layOut = true) const;
  std::vector<BlockId> AddBlocks(std::vector<Block> blocks);
  BlockId NewBlock(SharedText text, BreakRuns forms);  // a text of one block
  void ReleaseBlock(BlockId b);
  void LayOutBlock(Block& block, std::span<const ParaRange> shown) const;
  // A whole block about to be laid out from its start, a part at a time (LayOutPart).
  void StartLayout(Block& block) const;
  // Lays out the block's next paragraphs, about `units` units of them (at least one), and
  // takes what it laid out from `units`. With `keepOld`, wraps storage it outgrows is kept
  // (retired_) rather than freed.
  void LayOutPart(Block& block, std::int64_t& units, bool keepOld = false) const;
  // Goes on with a pending layout for about `units` units (none for 0): what is laid out
  // from the start, then the tree's sums; the layout is no longer pending once all is.
  void Advance(std::int64_t units, bool keepOld = false);
  Extent LaidOut() const;  // of a pending layout
  // Finishes a pending layout for a question. What it adds goes to fresh storage, so the
  // wraps of paragraphs handed out before stay valid until the next edit.
  void Settle() const;
  void Remeasure(NodeId t);
  NodeId NewRunNode(BlockId block, std::int32_t first, std::int32_t count);
  NodeId NewOwnedNode(String text, BreakForm form);
  BreakForm FormOf(const Locus& at) const;
  void CollectForms(NodeId x, ParaNo base, ParaNo from, ParaNo to, BreakRuns& out) const;
  void FreeTree(NodeId t);
  void FreeNode(NodeId x);
  UnitSpan ParaText(NodeId x, std::int32_t para) const;
  std::span<const std::int32_t> ParaWraps(NodeId x, std::int32_t para) const;
  UnitSpan NodeText(NodeId x) const;  // a run's paragraphs with the breaks between
  void SetWraps(NodeId x, WrapList& wraps);
  void Measure(NodeId x);
  void Pull(NodeId x);
  NodeId Build(const std::vector<NodeId>& ids, std::size_t lo, std::size_t hi);
  void SiftDown(NodeId x);
  NodeId CutRun(NodeId x, std::int32_t keep);
  void Split(NodeId t, ParaNo k, NodeId& left, NodeId& right);
  NodeId Merge(NodeId a, NodeId b);
  void RelayoutTree(NodeId t);
  void CollectShown(NodeId t, std::vector<std::vector<ParaRange>>& shown) const;
  enum class Unit;
  template <Unit U> static std::int64_t Count(const Node& n, bool subtree);
  template <Unit U> static std::int64_t Count(const Locus& at);
  // The paragraph holding the target-th unit, appending the nodes passed to `path` if given.
  template <Unit U> Locus Descend(std::int64_t target, std::vector<NodeId>* path) const;
  // Both remember what they found (finger_), with the nodes from the root to it (path_).
  Locus LocateChar(CharPos pos) const;
  Locus LocateLine(LineNo line) const;
  Locus LocatePara(ParaNo index) const;
  // The nodes from the root down to `at`'s, which must be the paragraph located last.
  std::span<const NodeId> PathTo(const Locus& at) const;
  Para MakePara(const Locus& at) const;
  Locus OwnParagraph(const Locus& at);
  // Replaces units of the located paragraph `at` (the one located last), break untouched.
  void ReplaceInParagraph(Locus at, std::int32_t offset, std::int32_t removed, UnitSpan text);
  // Whether such a replacement is better made as a new one-byte block holding the paragraph.
  bool RemakesNarrowParagraph(const Locus& at, std::int32_t removed, UnitSpan text) const;
  void RemakeParagraph(const Locus& at, std::int32_t offset, std::int32_t removed, UnitSpan text);
  std::uint32_t NextPriority();

  const LineBreaker& breaker_;
  Pool<Node, NodeId> nodes_;
  Pool<Block, BlockId> blocks_;
  BlockId lastBlock_;                 // the block made last, for a paste made again
  Pool<String, OwnedId> owned_;       // texts of edited paragraphs
  Pool<WrapList, WrapsId> wrapLists_;  // wraps of edited paragraphs laid out on several lines
  // The measured pieces of the long paragraph edited last, taken from its block, and how far
  // its text is still theirs: its re-wraps add up the lines past its edits from them (see
  // MeasuredTail) instead of walking them. One paragraph at most: typing goes on in one place.
  struct EditedTail {
    OwnedId owned;
    std::shared_ptr<const ParagraphPieces> pieces;
    std::int32_t from = 0, shift = 0;
  };
  EditedTail editedTail_;
  // What re-wrapping the paragraph edited last read to end its lines: the next key in it
  // need not walk the lines before its own again.
  struct EditedReads {
    OwnedId owned;
    LineReads reads;
  };
  EditedReads editedReads_;
  static constexpr std::size_t kEditedTailUnits = std::size_t(1) << 15;  // "long"
  NodeId root_;
  std::uint64_t seed_ = 0x9E3779B97F4A7C15ull;
  mutable std::vector<NodeId> path_;  // the nodes from the root to finger_'s
  mutable Locus finger_;              // the paragraph located last
  mutable WrapList scratchWraps_;  // LayOutBlock lays out blocks not yet added
  Pending pending_;
  // Wraps a pending layout outgrew; kept while paragraphs handed out may point into them.
  mutable std::vector<std::vector<std::int32_t>> retired_;
};

// Makes every line break the pair "\r\n": a lone "\r" or a lone "\n" becomes one.
String NormalizeBreaks(String text);
// True when the text holds no lone "\r" or "\n".
bool HasOnlyPairedBreaks(UnitSpan text);

}  // namespace quilmar
