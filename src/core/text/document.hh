#pragma once
// The document's text and its layout: UTF-16 paragraphs joined by "\r\n", held in a balanced
// tree (an implicit treap over a pool of nodes) whose subtree sums answer every position and
// line question in O(log n). Each paragraph keeps its own wrap offsets.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/line_breaker.hh"
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
  // (no lone "\r" or "\n"); NormalizeBreaks makes it so.
  void Assign(String text);

  CharPos Length() const;
  ParaNo ParagraphCount() const;
  LineNo LineCount() const;
  char16_t CharAt(CharPos pos) const;  // pos in [0, Length())
  String Slice(CharPos start, CharPos length) const;  // clamped to the text
  String Text() const;

  // One paragraph as the tree holds it. `text` stays valid until the next edit.
  struct Para {
    ParaNo index = 0;
    CharPos start = 0;
    LineNo firstLine = 0;
    StringView text;
    const WrapList* wraps = nullptr;  // never null
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
  // it touches.
  void Replace(CharPos start, CharPos length, StringView text);
  // Lays every paragraph out again (the width, the font or the tab stops changed).
  void Relayout();

  // Walks the text forward from a position as runs of adjacent code units (a paragraph, a
  // break, or many unedited paragraphs with their breaks at once). Invalidated by edits.
  class Runs {
   public:
    Runs(const Document& doc, CharPos from);
    // The next run and the position of its first unit; false at the end of the text.
    bool Next(StringView& run, CharPos& runStart);

   private:
    struct Piece {
      const char16_t* data = nullptr;
      std::int32_t size = 0;
      bool inBase = false;
    };
    bool NextPiece(Piece& piece);
    void Descend(std::int32_t node);

    const Document& doc_;
    std::vector<std::int32_t> stack_;
    std::int32_t node_ = -1;
    int phase_ = 0;  // 0: the paragraph's text is next, 1: its break, 2: done with it
    std::int32_t skip_ = 0;  // units to drop from the first piece
    CharPos pos_ = 0;
    Piece pending_;
    bool hasPending_ = false;
  };

  // Bytes held for the text, the tree and the layout (for benchmarks and tests).
  std::size_t MemoryUse() const;

 private:
  struct Node;
  struct Body;
  // A located paragraph: its node and what precedes it.
  struct Locus {
    std::int32_t node = -1;
    ParaNo index = 0;
    std::int64_t start = 0;
    LineNo firstLine = 0;
  };

  std::int32_t NewNode(StringView text, bool owned, std::uint32_t baseOffset);
  void FreeTree(std::int32_t t);
  void FreeNode(std::int32_t x);
  StringView TextOf(std::int32_t x) const;
  const WrapList& WrapsOf(std::int32_t x) const;
  void SetWraps(std::int32_t x, WrapList& wraps);
  void Pull(std::int32_t x);
  std::int32_t Build(const std::vector<std::int32_t>& ids, std::size_t lo, std::size_t hi);
  void SiftDown(std::int32_t x);
  void Split(std::int32_t t, ParaNo k, std::int32_t& left, std::int32_t& right);
  std::int32_t Merge(std::int32_t a, std::int32_t b);
  void RelayoutTree(std::int32_t t);
  Locus LocateChar(CharPos pos) const;  // also sets finger_ and path_
  Locus LocateLine(LineNo line) const;  // also sets finger_ and path_
  Locus LocatePara(ParaNo index) const;
  Para MakePara(const Locus& at) const;
  void ReplaceInParagraph(const Locus& at, std::int32_t offset, std::int32_t removed, StringView text);
  std::uint32_t NextPriority();

  const LineBreaker& breaker_;
  String base_;  // the text as assigned; unedited paragraphs point into it
  std::vector<Node> nodes_;
  std::vector<Body> bodies_;
  std::vector<std::int32_t> freeNodes_;
  std::vector<String> owned_;  // texts of edited paragraphs
  std::vector<std::int32_t> freeOwned_;
  std::vector<WrapList> wrapLists_;  // wraps of paragraphs laid out on several lines
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
