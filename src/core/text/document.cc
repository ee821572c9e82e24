#include "text/document.hh"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

#include "text/unit_scan.hh"

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
  BreakRuns forms;                      // the breaks' file forms, by paragraph
  std::int32_t nodes = 0;               // nodes using it; 0: a free slot
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
    return lineStarts.empty() ? p : lineStarts[static_cast<std::size_t>(p)];
  }
  UnitSpan Para(std::int32_t p) const {
    const auto from = static_cast<std::size_t>(Start(p));
    return view.substr(from, static_cast<std::size_t>(Start(p + 1)) - from - 2);
  }
  std::span<const std::int32_t> Wraps(std::int32_t p) const {
    if (lineStarts.empty()) return {};
    const auto from = static_cast<std::size_t>(LinesBefore(p) - p);
    const auto to = static_cast<std::size_t>(LinesBefore(p + 1) - p - 1);
    return std::span<const std::int32_t>(wraps.data() + from, to - from);
  }
  // Where paragraphs [first, first+count) lie in the text: with the breaks between them,
  // and with the break after the last when the text holds one.
  UnitSpan Run(std::int32_t first, std::int32_t count) const {
    const auto from = static_cast<std::size_t>(Start(first));
    const auto to = std::min(static_cast<std::size_t>(Start(first + count)), view.size());
    return view.substr(from, to - from);
  }
};

namespace {
constexpr char16_t kBreak[] = u"\r\n";
// A block holds about this many units at most: a single longer paragraph (up to
// kMaxParagraph) has a block of its own.
constexpr std::size_t kBlockUnits = std::size_t(1) << 30;
static_assert(Document::kMaxParagraph + 2 <= std::numeric_limits<std::int32_t>::max());
// Long stretches are handed out in runs of at most this many units, so a scan that stops
// early never walks far ahead.
constexpr std::size_t kMaxRun = 1 << 16;
}  // namespace

Document::Document(const LineBreaker& breaker) : breaker_(breaker) { Assign(String()); }

Document::~Document() = default;

std::uint32_t Document::NextPriority() {
  // xorshift64*: priorities only need to look random to keep the treap balanced.
  seed_ ^= seed_ >> 12;
  seed_ ^= seed_ << 25;
  seed_ ^= seed_ >> 27;
  return static_cast<std::uint32_t>((seed_ * 0x2545F4914F6CDD1Dull) >> 32);
}

// ---- Blocks ----------------------------------------------------------------------------

std::optional<std::vector<Document::Block>> Document::MakeBlocks(const SharedText& text, const BreakRuns& forms) const {
  // One scan for the line feeds. A block ends before the paragraph that would take it past
  // kBlockUnits, so a block is at most kBlockUnits or one paragraph long; a paragraph longer
  // than a document holds refuses the whole text.
  std::vector<Block> blocks;
  const UnitSpan all = text.View();
  std::size_t from = 0;   // the current block's first unit in the text
  std::int64_t para = 0;  // its first paragraph's number in the text
  std::vector<std::int32_t> starts{0};  // its paragraphs' starts so far
  auto close = [&](std::size_t to) {  // the block ends before unit `to`: a paragraph's start, or the end
    if (to == all.size()) starts.push_back(static_cast<std::int32_t>(to - from + 2));
    Block k;
    k.text = text.Sub(from, to - from);
    k.view = k.text.View();
    k.starts = std::exchange(starts, {0});
    const std::int64_t paragraphs = k.Paragraphs();
    AddRun(k.forms, 0, FormAt(forms, para));
    auto it = std::upper_bound(forms.begin(), forms.end(), para, [](std::int64_t i, const BreakRun& r) { return i < r.index; });
    for (; it != forms.end() && it->index < para + paragraphs; ++it) AddRun(k.forms, it->index - para, it->form);
    para += paragraphs;
    from = to;
    blocks.push_back(std::move(k));
  };
  bool fits = true;
  std::size_t paraStart = 0;  // the paragraph being scanned
  auto end = [&](std::size_t paraEnd, std::size_t next) {  // it ends at paraEnd; the next starts at next
    fits = fits && paraEnd - paraStart <= std::size_t(kMaxParagraph);
    if (next - from > kBlockUnits && paraStart > from) close(paraStart);
    paraStart = next;
  };
  all.Visit([&](const auto* begin, std::size_t size) {
    const auto* const stop = begin + size;
    for (auto* p = FindUnit(begin, stop, u'\n'); fits && p != stop; p = FindUnit(p + 1, stop, u'\n')) {
      const auto next = static_cast<std::size_t>(p + 1 - begin);
      end(next - 2, next);
      starts.push_back(static_cast<std::int32_t>(next - from));
    }
  });
  if (fits) end(all.size(), all.size() + 2);
  if (!fits) return std::nullopt;
  close(all.size());
  for (Block& k : blocks) {
    const ParaRange whole{0, k.Paragraphs()};
    LayOutBlock(k, std::span<const ParaRange>(&whole, 1));
  }
  return blocks;
}

std::vector<Document::BlockId> Document::AddBlocks(std::vector<Block> blocks) {
  std::vector<BlockId> ids;
  for (Block& k : blocks) ids.push_back(blocks_.Add(std::move(k)));
  lastBlock_ = ids.size() == 1 ? ids.front() : BlockId();
  return ids;
}

Document::BlockId Document::NewBlock(SharedText text, BreakRuns forms) {
  std::optional<std::vector<Block>> made = MakeBlocks(text, forms);
  assert(made && made->size() == 1);
  return AddBlocks(std::move(*made)).front();
}

void Document::LayOutBlock(Block& k, std::span<const ParaRange> shown) const {
  const LineBreaker::Setting setting = breaker_.CurrentSetting();
  auto same = [&](const std::vector<ParaRange>& ranges) {
    return std::equal(ranges.begin(), ranges.end(), shown.begin(), shown.end(),
                      [](const ParaRange& a, const ParaRange& b) { return a.first == b.first && a.count == b.count; });
  };
  Block::Layout& kept = k.kept;
  const bool back = kept.setting == setting && same(kept.shown);
  std::swap(kept.setting, k.setting);
  std::swap(kept.shown, k.shown);
  std::swap(kept.lineStarts, k.lineStarts);
  std::swap(kept.wraps, k.wraps);
  std::swap(kept.whole, k.whole);
  if (back) return;
  k.setting = setting;
  k.shown.assign(shown.begin(), shown.end());
  // `shown` is in order and without overlaps. Paragraphs outside it count one line each and
  // are not laid out: no node shows them, so their lines are never asked about.
  k.lineStarts.clear();
  k.wraps.clear();
  const std::int32_t n = k.Paragraphs();
  k.whole = shown.size() == 1 && shown.front().first == 0 && shown.front().count == n;
  bool counted = false;  // lineStarts is kept from the first paragraph of several lines on
  std::int32_t lines = 0;
  auto next = shown.begin();
  for (std::int32_t p = 0; p < n; ++p) {
    while (next != shown.end() && p >= next->first + next->count) ++next;
    const std::int32_t hiddenTo = next == shown.end() ? n : std::max(p, next->first);
    if (p < hiddenTo) {
      if (counted) {
        for (std::int32_t q = p; q < hiddenTo; ++q) k.lineStarts.push_back(lines++);
      } else {
        lines += hiddenTo - p;
      }
      p = hiddenTo - 1;
      continue;
    }
    breaker_.Wrap(k.Para(p), scratchWraps_);
    if (!scratchWraps_.empty() && !counted) {
      // Until here each paragraph was one line.
      counted = true;
      k.lineStarts.reserve(static_cast<std::size_t>(n) + 1);
      for (std::int32_t q = 0; q < p; ++q) k.lineStarts.push_back(q);
    }
    if (counted) k.lineStarts.push_back(lines);
    k.wraps.insert(k.wraps.end(), scratchWraps_.begin(), scratchWraps_.end());
    lines += 1 + static_cast<std::int32_t>(scratchWraps_.size());
  }
  if (counted) k.lineStarts.push_back(lines);
}

void Document::ReleaseBlock(BlockId b) {
  blocks_.Remove(b);
  if (lastBlock_ == b) lastBlock_ = BlockId();
}

// ---- Nodes -----------------------------------------------------------------------------

Document::NodeId Document::NewRunNode(BlockId block, std::int32_t first, std::int32_t count) {
  Node n;
  n.prio = NextPriority();
  n.block = block;
  n.first = first;
  n.count = count;
  const NodeId x = nodes_.Add(n);
  ++blocks_[block].nodes;
  Measure(x);
  Pull(x);
  return x;
}

Document::NodeId Document::NewOwnedNode(String text, BreakForm form) {
  Node n;
  n.prio = NextPriority();
  n.owned = owned_.Add(std::move(text));
  n.count = 1;
  n.form = form;
  const NodeId x = nodes_.Add(n);
  breaker_.Wrap(owned_[n.owned], scratchWraps_);
  SetWraps(x, scratchWraps_);
  Measure(x);
  Pull(x);
  return x;
}

void Document::FreeNode(NodeId x) {
  const Node& n = nodes_[x];
  if (n.IsRun()) {
    if (--blocks_[n.block].nodes == 0) ReleaseBlock(n.block);
  } else {
    owned_.Remove(n.owned);
    if (n.wraps) wrapLists_.Remove(n.wraps);
  }
  nodes_.Remove(x);
}

void Document::FreeTree(NodeId t) {
  std::vector<NodeId> todo;
  if (t) todo.push_back(t);
  while (!todo.empty()) {
    const NodeId x = todo.back();
    todo.pop_back();
    const Node& n = nodes_[x];
    if (n.left) todo.push_back(n.left);
    if (n.right) todo.push_back(n.right);
    FreeNode(x);
  }
}

UnitSpan Document::ParaText(NodeId x, std::int32_t para) const {
  const Node& n = nodes_[x];
  if (!n.IsRun()) return owned_[n.owned];
  return blocks_[n.block].Para(para);
}

std::span<const std::int32_t> Document::ParaWraps(NodeId x, std::int32_t para) const {
  const Node& n = nodes_[x];
  if (n.IsRun()) return blocks_[n.block].Wraps(para);
  if (!n.wraps) return {};
  return wrapLists_[n.wraps];
}

UnitSpan Document::NodeText(NodeId x) const {
  const Node& n = nodes_[x];
  if (!n.IsRun()) return owned_[n.owned];
  return blocks_[n.block].Run(n.first, n.count);
}

void Document::SetWraps(NodeId x, WrapList& wraps) {
  Node& n = nodes_[x];
  if (wraps.empty()) {
    if (n.wraps) wrapLists_.Remove(std::exchange(n.wraps, WrapsId()));
    return;
  }
  if (!n.wraps) n.wraps = wrapLists_.Add(WrapList());
  // Swapping hands the caller the old list as scratch space.
  std::swap(wrapLists_[n.wraps], wraps);
}

void Document::Measure(NodeId x) {
  Node& n = nodes_[x];
  if (!n.IsRun()) {
    n.chars = static_cast<std::uint32_t>(owned_[n.owned].size()) + 2;
    n.lines = 1 + (n.wraps ? static_cast<std::int32_t>(wrapLists_[n.wraps].size()) : 0);
    return;
  }
  const Block& k = blocks_[n.block];
  const std::int32_t end = n.first + n.count;
  n.chars = static_cast<std::uint32_t>(k.Start(end) - k.Start(n.first));
  n.lines = k.LinesBefore(end) - k.LinesBefore(n.first);
}

void Document::Pull(NodeId x) {
  Node& n = nodes_[x];
  n.subPars = n.count;
  n.subLines = n.lines;
  n.subChars = n.chars;
  for (NodeId c : {n.left, n.right}) {
    if (!c) continue;
    const Node& k = nodes_[c];
    n.subPars += k.subPars;
    n.subLines += k.subLines;
    n.subChars += k.subChars;
  }
}

// ---- The tree --------------------------------------------------------------------------

void Document::SiftDown(NodeId x) {
  // Restores the heap order of priorities below x by moving priority values, not nodes, so
  // the balanced shape built by Build stays.
  for (;;) {
    NodeId best = x;
    for (NodeId c : {nodes_[x].left, nodes_[x].right}) {
      if (c && nodes_[c].prio > nodes_[best].prio) best = c;
    }
    if (best == x) return;
    std::swap(nodes_[x].prio, nodes_[best].prio);
    x = best;
  }
}

Document::NodeId Document::Build(const std::vector<NodeId>& ids, std::size_t lo, std::size_t hi) {
  if (lo >= hi) return NodeId();
  const std::size_t mid = lo + (hi - lo) / 2;
  const NodeId x = ids[mid];
  const NodeId l = Build(ids, lo, mid);
  const NodeId r = Build(ids, mid + 1, hi);
  nodes_[x].left = l;
  nodes_[x].right = r;
  Pull(x);
  SiftDown(x);
  return x;
}

Document::NodeId Document::CutRun(NodeId x, std::int32_t keep) {
  const Node n = nodes_[x];
  assert(n.IsRun() && keep > 0 && keep < n.count);
  const NodeId rest = NewRunNode(n.block, n.first + keep, n.count - keep);
  nodes_[x].count = keep;
  Measure(x);
  return rest;
}

void Document::Split(NodeId t, ParaNo k, NodeId& left, NodeId& right) {
  if (!t) {
    left = right = NodeId();
    return;
  }
  const Node& n = nodes_[t];
  const ParaNo leftPars = n.left ? nodes_[n.left].subPars : 0;
  const ParaNo own = n.count;
  NodeId l, r;
  if (k <= leftPars) {
    Split(n.left, k, l, r);
    nodes_[t].left = r;
    Pull(t);
    left = l;
    right = t;
  } else if (k >= leftPars + own) {
    Split(n.right, k - leftPars - own, l, r);
    nodes_[t].right = l;
    Pull(t);
    left = t;
    right = r;
  } else {
    // The cut falls inside this run: it keeps the paragraphs before the cut, and a node
    // with a priority of its own takes the rest into the right part.
    const NodeId rest = CutRun(t, (k - leftPars).value());
    r = nodes_[t].right;
    nodes_[t].right = NodeId();
    Pull(t);
    left = t;
    right = Merge(rest, r);
  }
}

Document::NodeId Document::Merge(NodeId a, NodeId b) {
  if (!a) return b;
  if (!b) return a;
  if (nodes_[a].prio > nodes_[b].prio) {
    const NodeId r = Merge(nodes_[a].right, b);
    nodes_[a].right = r;
    Pull(a);
    return a;
  }
  const NodeId l = Merge(a, nodes_[b].left);
  nodes_[b].left = l;
  Pull(b);
  return b;
}

bool Document::Assign(SharedText text, BreakRuns forms) {
  assert(HasOnlyPairedBreaks(text.View()));
  std::optional<std::vector<Block>> made = MakeBlocks(text, forms);
  if (!made) return false;
  text = SharedText();  // the blocks hold it
  nodes_.Clear();
  blocks_.Clear();
  owned_.Clear();
  wrapLists_.Clear();
  lastBlock_ = BlockId();
  finger_ = Locus();
  path_.clear();
  // Each block is shown by one node until edits cut it.
  std::vector<NodeId> ids;
  for (const BlockId b : AddBlocks(std::move(*made))) ids.push_back(NewRunNode(b, 0, blocks_[b].Paragraphs()));
  root_ = Build(ids, 0, ids.size());
  return true;
}

bool Document::Holds(CharPos start, CharPos length, UnitSpan text) const {
  if (Length().value() - std::clamp<CharPos>(length, 0, Length()).value() + std::int64_t(text.size()) > kMaxLength) return false;
  // The paragraphs the edit makes: the start's paragraph up to the start, then the text, then
  // the end's paragraph from the end. Only a long text or a long paragraph needs a closer look.
  const Para a = ParagraphAt(start);
  const Para b = ParagraphAt(start + std::max<CharPos>(length, 0));
  const std::int64_t prefix = std::clamp<std::int64_t>((start - a.start).value(), 0, std::int64_t(a.text.size()));
  const std::int64_t suffix =
      std::int64_t(b.text.size()) - std::clamp<std::int64_t>((start + length - b.start).value(), 0, std::int64_t(b.text.size()));
  if (prefix + std::int64_t(text.size()) + suffix <= kMaxParagraph) return true;
  return text.Visit([&](const auto* begin, std::size_t size) {
    const auto* const end = begin + size;
    std::int64_t before = prefix;  // what precedes the current line of the text in its paragraph
    const auto* line = begin;
    for (auto* p = FindUnit(begin, end, u'\n'); p != end; p = FindUnit(p + 1, end, u'\n')) {
      if (before + (p - 1 - line) > kMaxParagraph) return false;
      before = 0;
      line = p + 1;
    }
    return before + (end - line) + suffix <= kMaxParagraph;
  });
}

CharPos Document::Length() const { return static_cast<CharPos>(nodes_[root_].subChars - 2); }

ParaNo Document::ParagraphCount() const { return nodes_[root_].subPars; }

LineNo Document::LineCount() const { return nodes_[root_].subLines; }

// ---- Locating --------------------------------------------------------------------------

// What a descent counts, and how much of it a subtree, a node and what precedes a located
// paragraph hold.
enum class Document::Unit { Chars, Lines, Paras };

template <Document::Unit U>
std::int64_t Document::Count(const Node& n, bool subtree) {
  if constexpr (U == Unit::Chars) return subtree ? n.subChars : n.chars;
  if constexpr (U == Unit::Lines) return subtree ? n.subLines : n.lines;
  if constexpr (U == Unit::Paras) return subtree ? n.subPars : n.count;
}

template <Document::Unit U>
std::int64_t Document::Count(const Locus& at) {
  if constexpr (U == Unit::Chars) return at.start;
  if constexpr (U == Unit::Lines) return at.firstLine.value();
  if constexpr (U == Unit::Paras) return at.index.value();
}

template <Document::Unit U>
Document::Locus Document::Descend(std::int64_t target, std::vector<NodeId>* path) const {
  Locus at;
  NodeId x = root_;
  for (;;) {
    if (path) path->push_back(x);
    const Node& n = nodes_[x];
    const Node* l = n.left ? &nodes_[n.left] : nullptr;
    if (l && target < Count<U>(at) + Count<U>(*l, true)) {
      x = n.left;
      continue;
    }
    if (l) {
      at.start += l->subChars;
      at.index += l->subPars;
      at.firstLine += l->subLines;
    }
    if (target < Count<U>(at) + Count<U>(n, false) || !n.right) {
      at.node = x;
      if (n.IsRun()) {
        // The paragraph inside the run: by a binary search in the block's index, or directly
        // where every paragraph counts one.
        const Block& k = blocks_[n.block];
        const std::vector<std::int32_t>* index = U == Unit::Chars ? &k.starts
                                                 : U == Unit::Lines && !k.lineStarts.empty() ? &k.lineStarts
                                                                                             : nullptr;
        const std::int64_t local = target - Count<U>(at);
        if (index) {
          const auto s = index->begin();
          at.para = static_cast<std::int32_t>(std::upper_bound(s + n.first + 1, s + n.first + n.count, s[n.first] + local) - s) - 1;
        } else {
          at.para = n.first + static_cast<std::int32_t>(std::min<std::int64_t>(local, n.count - 1));
        }
        at.index += at.para - n.first;
        at.start += k.Start(at.para) - k.Start(n.first);
        at.firstLine += k.LinesBefore(at.para) - k.LinesBefore(n.first);
      }
      return at;
    }
    at.start += n.chars;
    at.index += n.count;
    at.firstLine += n.lines;
    x = n.right;
  }
}

Document::Locus Document::LocateChar(CharPos pos) const {
  const std::int64_t target = std::clamp<CharPos>(pos, 0, Length()).value();
  // One event asks about the same paragraph several times (snap the caret, edit, show the
  // position): the last paragraph found answers without a descent.
  if (finger_.node && target >= finger_.start &&
      target < finger_.start + std::int64_t(ParaText(finger_.node, finger_.para).size()) + 2) {
    return finger_;
  }
  path_.clear();
  finger_ = Descend<Unit::Chars>(target, &path_);
  return finger_;
}

Document::Locus Document::LocateLine(LineNo line) const {
  const LineNo target = std::clamp<LineNo>(line, 0, LineCount() - 1);
  if (finger_.node && target >= finger_.firstLine &&
      target < finger_.firstLine + 1 + LineNo(ParaWraps(finger_.node, finger_.para).size())) {
    return finger_;
  }
  path_.clear();
  finger_ = Descend<Unit::Lines>(target.value(), &path_);
  return finger_;
}

Document::Locus Document::LocatePara(ParaNo index) const {
  return Descend<Unit::Paras>(std::clamp<ParaNo>(index, 0, ParagraphCount() - 1).value(), nullptr);
}

std::span<const Document::NodeId> Document::PathTo([[maybe_unused]] const Locus& at) const {
  // Every change of the tree's shape forgets the finger, so a path that ends at `at`'s node
  // and was taken for the same start still leads there.
  assert(finger_.node == at.node && finger_.start == at.start && !path_.empty() && path_.back() == at.node);
  return path_;
}

Document::Para Document::MakePara(const Locus& at) const {
  Para p;
  p.index = at.index;
  p.start = static_cast<CharPos>(at.start);
  p.firstLine = at.firstLine;
  p.text = ParaText(at.node, at.para);
  p.wraps = ParaWraps(at.node, at.para);
  return p;
}

Document::Para Document::ParagraphAt(CharPos pos) const { return MakePara(LocateChar(pos)); }

Document::Para Document::Paragraph(ParaNo index) const { return MakePara(LocatePara(index)); }

Document::Para Document::ParagraphOfLine(LineNo line) const { return MakePara(LocateLine(line)); }

LineNo Document::LineOf(CharPos pos) const {
  const Para p = ParagraphAt(pos);
  const auto offset = std::clamp<std::int64_t>((pos - p.start).value(), 0, std::int64_t(p.text.size()));
  return p.firstLine + static_cast<LineNo>(std::upper_bound(p.wraps.begin(), p.wraps.end(), offset) - p.wraps.begin());
}

CharPos Document::LineStart(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp<LineNo>(line - p.firstLine, 0, static_cast<std::int32_t>(p.wraps.size())).value());
  return p.start + (k == 0 ? 0 : p.wraps[k - 1]);
}

CharPos Document::LineLength(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp<LineNo>(line - p.firstLine, 0, static_cast<std::int32_t>(p.wraps.size())).value());
  const CharPos from = k == 0 ? 0 : p.wraps[k - 1];
  const CharPos to = k < p.wraps.size() ? p.wraps[k] : static_cast<CharPos>(p.text.size());
  return to - from;
}

char16_t Document::CharAt(CharPos pos) const {
  const Para p = ParagraphAt(pos);
  const auto offset = static_cast<std::size_t>(pos - p.start);
  if (offset < p.text.size()) return p.text[offset];
  return kBreak[std::min<std::size_t>(offset - p.text.size(), 1)];
}

// ---- Reading ---------------------------------------------------------------------------

String Document::Slice(CharPos start, CharPos length) const {
  const CharPos total = Length();
  start = std::clamp<CharPos>(start, 0, total);
  const CharPos end = CharPos(std::clamp<std::int64_t>(std::int64_t(start) + std::max<CharPos>(length, 0).value(), start.value(), total.value()));
  if (end == start) return String();
  String out;
  out.reserve(static_cast<std::size_t>(end - start));
  Runs runs(*this, start);
  UnitSpan run;
  CharPos at = 0;
  while (at < end && runs.Next(run, at)) {
    run.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(run.size(), (end - at).value()))).AppendTo(out);
    at += static_cast<CharPos>(run.size());  // the loop goes on only while this run ended short
  }
  return out;
}

String Document::Text() const { return Slice(0, Length()); }

std::vector<UnitSpan> Document::Pieces() const {
  // Each node gives its text, then its break where the text does not hold it; the pieces end
  // only at the end of a paragraph or of a break.
  std::vector<UnitSpan> pieces;
  std::int64_t left = Length().value();
  std::vector<NodeId> stack;
  for (NodeId x = root_; x || !stack.empty();) {
    for (; x; x = nodes_[x].left) stack.push_back(x);
    x = stack.back();
    stack.pop_back();
    const UnitSpan text = NodeText(x);
    const std::int64_t held = nodes_[x].chars - std::int64_t(text.size());
    for (UnitSpan piece : {text, UnitSpan(StringView(kBreak + 2 - held, static_cast<std::size_t>(held)))}) {
      // The last paragraph has no break, though its block may hold one after it.
      piece = piece.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(piece.size()))));
      left -= std::int64_t(piece.size());
      if (!piece.empty()) pieces.push_back(piece);
    }
    x = nodes_[x].right;
  }
  return pieces;
}

SharedText Document::Share(CharPos start, CharPos length) const {
  const CharPos total = Length();
  start = std::clamp<CharPos>(start, 0, total);
  const CharPos end = CharPos(std::clamp<std::int64_t>(std::int64_t(start) + std::max<CharPos>(length, 0).value(), start.value(), total.value()));
  if (end == start) return SharedText();
  const Locus at = LocateChar(start);
  const Node& n = nodes_[at.node];
  if (n.IsRun()) {
    const Block& k = blocks_[n.block];
    const auto from = static_cast<std::size_t>(k.Start(at.para) + (start - at.start));
    const std::size_t runEnd = std::min(static_cast<std::size_t>(k.Start(n.first + n.count)), k.view.size());
    if (from + static_cast<std::size_t>(end - start) <= runEnd) {
      return k.text.Sub(from, static_cast<std::size_t>(end - start));
    }
  }
  return SharedText(Slice(start, end - start));
}

// ---- Break forms -----------------------------------------------------------------------

BreakForm Document::FormOf(const Locus& at) const {
  const Node& n = nodes_[at.node];
  if (!n.IsRun()) return n.form;
  return FormAt(blocks_[n.block].forms, at.para);
}

// Adds the forms of the breaks ending paragraphs [from, to) found in the subtree x, whose first
// paragraph is number `base`, numbered from `from`. Subtrees outside the range are skipped, so
// the walk costs the nodes in the range and the descent to them.
void Document::CollectForms(NodeId x, ParaNo base, ParaNo from, ParaNo to, BreakRuns& out) const {
  if (!x) return;
  const Node& n = nodes_[x];
  if (base >= to || base + n.subPars <= from) return;
  const ParaNo leftPars = n.left ? nodes_[n.left].subPars : 0;
  CollectForms(n.left, base, from, to, out);
  const ParaNo own = base + leftPars;
  const ParaNo lo = std::max(own, from), hi = std::min(own + n.count, to);
  if (lo < hi) {
    if (!n.IsRun()) {
      AddRun(out, (lo - from).value(), n.form);
    } else {
      const BreakRuns& runs = blocks_[n.block].forms;
      const std::int32_t p0 = n.first + (lo - own).value(), p1 = n.first + (hi - own).value();
      AddRun(out, (lo - from).value(), FormAt(runs, p0));
      auto it = std::upper_bound(runs.begin(), runs.end(), p0, [](std::int32_t i, const BreakRun& r) { return i < r.index; });
      for (; it != runs.end() && it->index < p1; ++it) AddRun(out, it->index - p0 + (lo - from).value(), it->form);
    }
  }
  CollectForms(n.right, own + n.count, from, to, out);
}

BreakRuns Document::FormsIn(CharPos start, CharPos length) const {
  const CharPos total = Length();
  start = std::clamp<CharPos>(start, 0, total);
  const CharPos end = CharPos(std::clamp<std::int64_t>(std::int64_t(start) + std::max<CharPos>(length, 0).value(), start.value(), total.value()));
  const Locus a = LocateChar(start);
  if (std::int64_t(end) <= a.start + std::int64_t(ParaText(a.node, a.para).size())) return {};
  const ParaNo from = a.index;
  const Locus b = LocateChar(end);
  // A range ending inside a break takes the whole break, as Replace does.
  const ParaNo to = std::int64_t(end) > b.start + std::int64_t(ParaText(b.node, b.para).size()) ? b.index + 1 : b.index;
  BreakRuns out;
  CollectForms(root_, 0, from, to, out);
  return out;
}

BreakRuns Document::Forms() const {
  BreakRuns out;
  CollectForms(root_, 0, 0, ParagraphCount(), out);
  return out;
}

// ---- Editing ---------------------------------------------------------------------------

Document::Locus Document::OwnParagraph(const Locus& at) {
  // The paragraph leaves its run for a node of its own, with a copy of its text (two-byte
  // units, whatever its block holds) and wraps.
  const String text = ParaText(at.node, at.para).ToString();
  const std::span<const std::int32_t> w = ParaWraps(at.node, at.para);
  WrapList wraps(w.begin(), w.end());
  finger_ = Locus();
  NodeId left, rest, mid, right;
  Split(root_, at.index, left, rest);
  Split(rest, 1, mid, right);  // a single node: every node holds one paragraph or more
  Node& n = nodes_[mid];
  assert(n.IsRun() && n.count == 1 && !n.left && !n.right);
  const BlockId block = std::exchange(n.block, BlockId());
  n.form = FormAt(blocks_[block].forms, n.first);
  n.first = 0;
  n.owned = owned_.Add(text);
  if (--blocks_[block].nodes == 0) ReleaseBlock(block);
  SetWraps(mid, wraps);
  Measure(mid);
  Pull(mid);
  root_ = Merge(Merge(left, mid), right);
  return LocateChar(static_cast<CharPos>(at.start));
}

void Document::ReplaceInParagraph(Locus at, std::int32_t offset, std::int32_t removed, UnitSpan text) {
  if (nodes_[at.node].IsRun()) at = OwnParagraph(at);
  const NodeId x = at.node;
  String& s = owned_[nodes_[x].owned];
  assert(offset >= 0 && removed >= 0 && std::size_t(offset) + std::size_t(removed) <= s.size());
  if (text.IsNarrow()) {
    s.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(removed), text.size(), u'\0');
    std::copy(text.NarrowData(), text.NarrowData() + text.size(), s.begin() + offset);
  } else {
    s.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(removed), text.Wide());
  }
  breaker_.Rewrap(s, ParaWraps(x, 0), offset, removed, static_cast<std::int32_t>(text.size()), scratchWraps_);
  SetWraps(x, scratchWraps_);
  Measure(x);
  // The located paragraph keeps its start and first line; only the sums above it change.
  const std::span<const NodeId> path = PathTo(at);
  for (auto it = path.rbegin(); it != path.rend(); ++it) Pull(*it);
}

bool Document::RemakesNarrowParagraph(const Locus& at, std::int32_t removed, UnitSpan text) const {
  // An edit of most of a long paragraph of one-byte units (a substitution all along one huge
  // line) makes the paragraph a one-byte block of its own: owning it would first widen all of
  // it into a two-byte string. Typing keeps owning the paragraph, where each key costs a
  // splice and a local re-wrap instead of a copy and a whole layout.
  if (!nodes_[at.node].IsRun() || !text.IsNarrow()) return false;
  const UnitSpan para = ParaText(at.node, at.para);
  const auto edited = std::int64_t(removed) + std::int64_t(text.size());
  return para.IsNarrow() && edited >= std::int64_t(kMaxRun) && 2 * edited >= std::int64_t(para.size());
}

void Document::RemakeParagraph(const Locus& at, std::int32_t offset, std::int32_t removed, UnitSpan text) {
  const UnitSpan para = ParaText(at.node, at.para);
  assert(para.IsNarrow() && text.IsNarrow());
  const auto head = static_cast<std::size_t>(offset), tail = head + static_cast<std::size_t>(removed);
  const std::size_t size = para.size() - (tail - head) + text.size();
  LargeBuffer bytes(size);
  Byte* out = reinterpret_cast<Byte*>(bytes.data());
  out = std::copy(para.NarrowData(), para.NarrowData() + head, out);
  out = std::copy(text.NarrowData(), text.NarrowData() + text.size(), out);
  std::copy(para.NarrowData() + tail, para.NarrowData() + para.size(), out);
  BreakRuns forms;
  AddRun(forms, 0, FormOf(at));
  // The block is no paste, so the next paste does not look for itself in it.
  const BlockId pasted = std::exchange(lastBlock_, BlockId());
  const BlockId block = NewBlock(SharedText::Narrow(std::move(bytes), size), std::move(forms));
  lastBlock_ = pasted;
  finger_ = Locus();  // the tree changes shape
  NodeId left, rest, mid, right;
  Split(root_, at.index, left, rest);
  Split(rest, 1, mid, right);
  FreeTree(mid);
  root_ = Merge(Merge(left, NewRunNode(block, 0, 1)), right);
}

SharedText Document::Replace(CharPos start, CharPos length, SharedText text, const BreakRuns& forms) {
  const CharPos total = Length();
  start = std::clamp<CharPos>(start, 0, total);
  const CharPos end = CharPos(std::clamp<std::int64_t>(std::int64_t(start) + std::max<CharPos>(length, 0).value(), start.value(), total.value()));
  const UnitSpan view = text.View();
  assert(HasOnlyPairedBreaks(view));
  const Locus a = LocateChar(start);
  const auto oa = static_cast<std::int32_t>(start - a.start);
  const auto lenA = static_cast<std::int32_t>(ParaText(a.node, a.para).size());
  assert(oa <= lenA);  // not between "\r" and "\n"
  const std::size_t firstNl = view.Visit([](const auto* p, std::size_t n) -> std::size_t {
    return static_cast<std::size_t>(FindUnit(p, p + n, u'\n') - p);
  });
  if (firstNl == view.size() && std::int64_t(end) <= a.start + lenA) {
    const auto removed = static_cast<std::int32_t>(end - start);
    if (RemakesNarrowParagraph(a, removed, view))
      RemakeParagraph(a, oa, removed, view);
    else
      ReplaceInParagraph(a, oa, removed, view);
    return text;
  }
  const Locus b = LocateChar(end);
  const auto ob = static_cast<std::int32_t>(end - b.start);
  assert(ob <= static_cast<std::int32_t>(ParaText(b.node, b.para).size()));  // not inside a break
  String prefix = ParaText(a.node, a.para).substr(0, static_cast<std::size_t>(oa)).ToString();
  const UnitSpan suffix = ParaText(b.node, b.para).substr(static_cast<std::size_t>(ob));
  const BreakForm lastForm = FormOf(b);  // the break that ends the suffix stays
  const ParaNo firstRemoved = a.index, removedCount = b.index - a.index + 1;
  finger_ = Locus();  // the tree changes shape

  // The new paragraphs: the prefix joins the first line of the text, the suffix its last.
  // Lines in between stay in the text's own block, shared with whoever holds the text; the
  // same text of several lines inserted again shares the block made for it last time.
  std::vector<NodeId> ids;
  SharedText kept = text;  // what the caller gets back; `text` itself lives on for `view`
  if (firstNl == view.size()) {
    view.AppendTo(prefix);
    suffix.AppendTo(prefix);
    ids.push_back(NewOwnedNode(std::move(prefix), lastForm));
  } else {
    std::size_t lastNl = firstNl;
    view.substr(0, firstNl - 1).AppendTo(prefix);
    // The suffix lives in a node this edit frees: it is copied before the first new node.
    String last = suffix.ToString();
    ids.push_back(NewOwnedNode(std::move(prefix), FormAt(forms, 0)));
    const bool severalLines = view.Visit([firstNl](const auto* p, std::size_t n) {
      return FindUnit(p + firstNl + 1, p + n, u'\n') != p + n;
    });
    if (severalLines) {
      // (A block laid out only where nodes show it cannot show the rest.)
      BlockId block = lastBlock_;
      std::vector<BlockId> made;
      if (!block || !blocks_[block].whole || blocks_[block].forms != forms ||
          !(blocks_[block].text.SameAs(text) || blocks_[block].view == view)) {
        // The caller made sure that every paragraph fits (Holds).
        made = AddBlocks(std::move(*MakeBlocks(text, forms)));
      } else {
        made.push_back(block);
        kept = blocks_[block].text;
      }
      // The lines between the first and the last, of one block or (a text of more than
      // kBlockUnits) of several.
      std::size_t offset = 0;  // the block's first unit in the text
      for (std::size_t i = 0; i < made.size(); ++i) {
        const Block& k = blocks_[made[i]];
        const std::int32_t first = i == 0 ? 1 : 0;
        const std::int32_t end = i + 1 == made.size() ? k.Paragraphs() - 1 : k.Paragraphs();
        if (i + 1 == made.size()) lastNl = offset + static_cast<std::size_t>(k.Start(k.Paragraphs() - 1)) - 1;
        if (end > first) ids.push_back(NewRunNode(made[i], first, end - first));
        offset += k.view.size();
      }
      // A block no node shows (the first or last of several held one line) goes at once.
      for (const BlockId b : made)
        if (blocks_[b].nodes == 0) ReleaseBlock(b);
    }
    String first = view.substr(lastNl + 1).ToString();
    first.append(last);
    ids.push_back(NewOwnedNode(std::move(first), lastForm));
  }
  NodeId left, rest, middle, right;
  Split(root_, firstRemoved, left, rest);
  Split(rest, removedCount, middle, right);
  FreeTree(middle);
  root_ = Merge(Merge(left, Build(ids, 0, ids.size())), right);
  return kept;
}

void Document::RelayoutTree(NodeId t) {
  if (!t) return;
  RelayoutTree(nodes_[t].left);
  RelayoutTree(nodes_[t].right);
  const Node& n = nodes_[t];
  if (!n.IsRun()) {
    breaker_.Wrap(owned_[n.owned], scratchWraps_);
    SetWraps(t, scratchWraps_);
  }
  Measure(t);
  Pull(t);
}

void Document::CollectShown(NodeId t, std::vector<std::vector<ParaRange>>& shown) const {
  if (!t) return;
  const Node& n = nodes_[t];
  CollectShown(n.left, shown);
  if (n.IsRun()) shown[n.block.Index()].push_back({n.first, n.count});
  CollectShown(n.right, shown);
}

void Document::Relayout() {
  finger_ = Locus();  // line numbers move
  // Each block lays out only the paragraphs that nodes still show (edits may have replaced
  // most of it); its line counts stay sums from its start, so the rest count one line each.
  std::vector<std::vector<ParaRange>> shown;
  blocks_.ForEach([&](BlockId, const Block&) { shown.emplace_back(); });
  CollectShown(root_, shown);
  blocks_.ForEach([&](BlockId b, Block& k) {
    if (k.nodes == 0) return;
    std::vector<ParaRange>& ranges = shown[b.Index()];
    // The same paste made twice shows the same paragraphs twice: merge what overlaps.
    std::sort(ranges.begin(), ranges.end(), [](const ParaRange& x, const ParaRange& y) { return x.first < y.first; });
    std::vector<ParaRange> merged;
    for (const ParaRange& r : ranges) {
      if (!merged.empty() && r.first <= merged.back().first + merged.back().count) {
        ParaRange& m = merged.back();
        m.count = std::max(m.count, r.first + r.count - m.first);
      } else {
        merged.push_back(r);
      }
    }
    LayOutBlock(k, merged);
  });
  RelayoutTree(root_);
}

std::size_t Document::MemoryUse() const {
  std::size_t bytes = sizeof(*this) + nodes_.MemoryUse() + blocks_.MemoryUse() + owned_.MemoryUse() +
                      wrapLists_.MemoryUse();
  blocks_.ForEach([&](BlockId, const Block& k) {
    bytes += k.view.size() * (k.view.IsNarrow() ? 1 : 2);
    bytes += (k.starts.capacity() + k.lineStarts.capacity() + k.wraps.capacity() + k.kept.lineStarts.capacity() +
              k.kept.wraps.capacity()) * sizeof(std::int32_t);
  });
  owned_.ForEach([&](OwnedId, const String& s) {
    if (s.capacity() > String().capacity()) bytes += (s.capacity() + 1) * sizeof(char16_t);
  });
  wrapLists_.ForEach([&](WrapsId, const WrapList& w) { bytes += w.capacity() * sizeof(std::int32_t); });
  return bytes;
}

// ---- Runs ------------------------------------------------------------------------------

Document::Runs::Runs(const Document& doc, CharPos from) : doc_(doc) {
  const std::int64_t target = std::clamp<CharPos>(from, 0, doc.Length()).value();
  pos_ = static_cast<CharPos>(target);
  std::int64_t base = 0;
  NodeId x = doc.root_;
  while (x) {
    const Node& n = doc.nodes_[x];
    const std::int64_t leftChars = n.left ? doc.nodes_[n.left].subChars : 0;
    if (target < base + leftChars) {
      stack_.push_back(x);
      x = n.left;
      continue;
    }
    base += leftChars;
    if (target < base + n.chars || !n.right) {
      node_ = x;
      skip_ = target - base;
      return;
    }
    base += n.chars;
    x = n.right;
  }
}

void Document::Runs::Descend(NodeId x) {
  while (x) {
    stack_.push_back(x);
    x = doc_.nodes_[x].left;
  }
}

bool Document::Runs::NextPiece(UnitSpan& piece) {
  while (node_) {
    const Node& n = doc_.nodes_[node_];
    if (phase_ == 0) {
      phase_ = 1;
      const UnitSpan text = doc_.NodeText(node_);
      if (skip_ >= std::int64_t(text.size())) {
        skip_ -= std::int64_t(text.size());
        continue;
      }
      piece = text.substr(static_cast<std::size_t>(skip_));
      skip_ = 0;
      return true;
    }
    if (phase_ == 1) {
      phase_ = 2;
      // A run that does not end its block had its last break in its text already.
      const std::int64_t held = n.chars - std::int64_t(doc_.NodeText(node_).size());
      if (held == 0 || skip_ >= held) continue;
      piece = UnitSpan(StringView(kBreak + 2 - held + skip_, static_cast<std::size_t>(held - skip_)));
      skip_ = 0;
      return true;
    }
    Descend(n.right);
    if (stack_.empty()) {
      node_ = NodeId();
    } else {
      node_ = stack_.back();
      stack_.pop_back();
    }
    phase_ = 0;
  }
  return false;
}

bool Document::Runs::Next(UnitSpan& run, CharPos& runStart) {
  UnitSpan p = rest_;
  rest_ = UnitSpan();
  if (p.empty() && !NextPiece(p)) return false;
  if (p.size() > kMaxRun) {
    rest_ = p.substr(kMaxRun);
    p = p.substr(0, kMaxRun);
  }
  // The text of the last paragraph may be followed by a break that the document does not
  // have (its run ends inside a block): stop at the document's end.
  p = p.substr(0, static_cast<std::size_t>(std::max<std::int64_t>((doc_.Length() - pos_).value(), 0)));
  if (p.empty()) return false;
  run = p;
  runStart = pos_;
  pos_ += static_cast<CharPos>(p.size());
  return true;
}

// ---- Breaks ----------------------------------------------------------------------------

bool HasOnlyPairedBreaks(UnitSpan text) {
  static constexpr char16_t kEnds[] = {u'\r', u'\n'};
  return text.Visit([](const auto* begin, std::size_t size) {
    const auto* const end = begin + size;
    for (auto* p = FindAnyUnit(begin, end, kEnds, 2); p != end; p = FindAnyUnit(p + 2, end, kEnds, 2)) {
      if (*p != u'\r' || p + 1 == end || p[1] != u'\n') return false;
    }
    return true;
  });
}

String NormalizeBreaks(String text) {
  if (HasOnlyPairedBreaks(text)) return text;
  String out;
  out.reserve(text.size() + text.size() / 16);
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      out.append(u"\r\n");
      if (i + 1 < n && text[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      out.append(u"\r\n");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace quilmar
