#pragma once
// The document's text and its layout: UTF-16 paragraphs joined by "\r\n". The text lives in
// shared immutable blocks (the loaded text, each text of several lines inserted) indexed by
// paragraph, plus a string of its own for each paragraph edited in place. A balanced tree (an
// implicit treap over a pool of nodes) orders runs of block paragraphs and edited paragraphs;
// its subtree sums answer every position and line question in O(log n). So loading, pasting
// and substituting cost a handful of nodes, however many lines they bring.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "text/break_forms.hh"
#include "text/line_breaker.hh"
#include "text/shared_text.hh"
#include "text/ustring.hh"

namespace quilmar {

// A 0-based paragraph number (a paragraph is the text between two "\r\n" breaks).
using ParaNo = std::int32_t;

class Document {
 public:
  // Lays paragraphs out with `breaker`, which must outlive the document.
  explicit Document(const LineBreaker& breaker);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Replaces everything, in time linear in the text. The text must hold "\r\n" breaks only
  // (no lone "\r" or "\n"); NormalizeBreaks makes it so. `forms` are its breaks' file forms.
  void Assign(String text, BreakRuns forms = {});

  CharPos Length() const;
  ParaNo ParagraphCount() const;
  LineNo LineCount() const;
  char16_t CharAt(CharPos pos) const;  // pos in [0, Length())
  String Slice(CharPos start, CharPos length) const;  // clamped to the text
  String Text() const;
  // The whole text as views of the document's storage, in order, valid until the next edit.
  // A piece never ends between the two halves of a "\r\n" or of a surrogate pair.
  std::vector<StringView> Pieces() const;

  // One paragraph as the tree holds it. `text` stays valid until the next edit.
  struct Para {
    ParaNo index = 0;
    CharPos start = 0;
    LineNo firstLine = 0;
    StringView text;
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
  // neither end of the range may fall between "\r" and "\n". Re-wraps only the paragraphs
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
  // Lays every paragraph out again (the width, the font or the tab stops changed).
  void Relayout();

  // Walks the text forward from a position as runs of adjacent code units (an edited
  // paragraph, a break, or a node's whole run of block paragraphs with their breaks).
  // Invalidated by edits.
  class Runs {
   public:
    Runs(const Document& doc, CharPos from);
    // The next run and the position of its first unit; false at the end of the text.
    bool Next(StringView& run, CharPos& runStart);

   private:
    struct Piece {
      const char16_t* data = nullptr;
      std::int64_t size = 0;
    };
    bool NextPiece(Piece& piece);
    void Descend(std::int32_t node);

    const Document& doc_;
    std::vector<std::int32_t> stack_;
    std::int32_t node_ = -1;
    int phase_ = 0;          // 0: the node's text is next, 1: a break after it, 2: done with it
    std::int64_t skip_ = 0;  // units to drop from the node's first piece
    CharPos pos_ = 0;
    Piece rest_;             // what is left of a piece longer than one run
  };

  // Bytes held for the text, the tree and the layout (for benchmarks and tests).
  std::size_t MemoryUse() const;

 private:
  struct Node;
  struct Block;
  // A located paragraph: its node, its place in the node's block, and what precedes it.
  struct Locus {
    std::int32_t node = -1;
    std::int32_t para = 0;  // the paragraph in the node's block (0 for an edited paragraph)
    ParaNo index = 0;
    std::int64_t start = 0;
    LineNo firstLine = 0;
  };

  std::int32_t NewBlock(SharedText text, BreakRuns forms);
  void ReleaseBlock(std::int32_t b);
  void LayOutBlock(Block& block);
  std::int32_t NewNode();
  std::int32_t NewRunNode(std::int32_t block, std::int32_t first, std::int32_t count);
  std::int32_t NewOwnedNode(String text, BreakForm form);
  BreakForm FormOf(const Locus& at) const;
  void CollectForms(std::int32_t x, ParaNo base, ParaNo from, ParaNo to, BreakRuns& out) const;
  void FreeTree(std::int32_t t);
  void FreeNode(std::int32_t x);
  StringView ParaText(std::int32_t x, std::int32_t para) const;
  std::span<const std::int32_t> ParaWraps(std::int32_t x, std::int32_t para) const;
  StringView NodeText(std::int32_t x) const;  // a run's paragraphs with the breaks between
  void SetWraps(std::int32_t x, WrapList& wraps);
  void Measure(std::int32_t x);
  void Pull(std::int32_t x);
  std::int32_t Build(const std::vector<std::int32_t>& ids, std::size_t lo, std::size_t hi);
  void SiftDown(std::int32_t x);
  std::int32_t CutRun(std::int32_t x, std::int32_t keep);
  void Split(std::int32_t t, ParaNo k, std::int32_t& left, std::int32_t& right);
  std::int32_t Merge(std::int32_t a, std::int32_t b);
  void RelayoutTree(std::int32_t t);
  enum class Unit;
  template <Unit U> static std::int64_t Count(const Node& n, bool subtree);
  template <Unit U> static std::int64_t Count(const Locus& at);
  // The paragraph holding the target-th unit, appending the nodes passed to `path` if given.
  template <Unit U> Locus Descend(std::int64_t target, std::vector<std::int32_t>* path) const;
  Locus LocateChar(CharPos pos) const;  // also sets finger_ and path_
  Locus LocateLine(LineNo line) const;  // also sets finger_ and path_
  Locus LocatePara(ParaNo index) const;
  Para MakePara(const Locus& at) const;
  Locus OwnParagraph(const Locus& at);
  void ReplaceInParagraph(Locus at, std::int32_t offset, std::int32_t removed, StringView text);
  std::uint32_t NextPriority();

  const LineBreaker& breaker_;
  std::vector<Node> nodes_;
  std::vector<std::int32_t> freeNodes_;
  std::vector<Block> blocks_;
  std::vector<std::int32_t> freeBlocks_;
  std::int32_t lastBlock_ = -1;  // the block made last, for a paste made again
  std::vector<String> owned_;    // texts of edited paragraphs
  std::vector<std::int32_t> freeOwned_;
  std::vector<WrapList> wrapLists_;  // wraps of edited paragraphs laid out on several lines
  std::vector<std::int32_t> freeWraps_;
  std::int32_t root_ = -1;
  std::uint64_t seed_ = 0x9E3779B97F4A7C15ull;
  mutable std::vector<std::int32_t> path_;  // the nodes from the root to finger_'s
  mutable Locus finger_;                     // the paragraph located last
  WrapList scratchWraps_;
};

// Makes every line break the pair "\r\n": a lone "\r" or a lone "\n" becomes one.
String NormalizeBreaks(String text);
// True when the text holds no lone "\r" or "\n".
bool HasOnlyPairedBreaks(StringView text);

}  // namespace quilmar
