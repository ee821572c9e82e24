#include "text/document.hh"

#include <algorithm>
#include <limits>
#include <utility>

#include "text/unit_scan.hh"

namespace quilmar {

// A node of the tree: a run of consecutive paragraphs of one block, or one edited paragraph
// with a string of its own. Kept small so that a descent touches little memory.
struct Document::Node {
  std::int32_t left = -1;
  std::int32_t right = -1;
  std::uint32_t prio = 0;
  std::int32_t block = -1;  // into blocks_; -1: an edited paragraph
  std::int32_t first = 0;   // the run's first paragraph in its block, or the index into owned_
  std::int32_t count = 0;   // paragraphs; 0: a free node
  std::int32_t wraps = -1;  // an edited paragraph's wraps, into wrapLists_; -1: a single line
  BreakForm form = BreakForm::Native;  // an edited paragraph's break (a run's are its block's)
  std::uint32_t chars = 0;  // the text with a break after every paragraph
  std::int32_t lines = 0;   // laid-out lines
  std::int32_t subPars = 0;  // subtree sums
  std::int32_t subLines = 0;
  std::uint32_t subChars = 0;
};

// Paragraphs joined by "\r\n" that never change, indexed and laid out once for every node
// that shows some of them.
struct Document::Block {
  SharedText text;
  StringView view;                      // text.View(), kept at hand
  std::vector<std::int32_t> starts;     // each paragraph's start, then the size + 2
  std::vector<std::int32_t> lineStarts; // lines before each paragraph, then all of them;
                                        // empty while every paragraph is a single line
  std::vector<std::int32_t> wraps;      // every paragraph's wrap offsets, in order
  BreakRuns forms;                      // the breaks' file forms, by paragraph
  std::int32_t nodes = 0;               // nodes using it; 0: a free slot

  std::int32_t Paragraphs() const { return static_cast<std::int32_t>(starts.size()) - 1; }
  std::int32_t LinesBefore(std::int32_t p) const {
    return lineStarts.empty() ? p : lineStarts[static_cast<std::size_t>(p)];
  }
  StringView Para(std::int32_t p) const {
    const auto from = static_cast<std::size_t>(starts[static_cast<std::size_t>(p)]);
    return view.substr(from, static_cast<std::size_t>(starts[static_cast<std::size_t>(p) + 1]) - from - 2);
  }
  std::span<const std::int32_t> Wraps(std::int32_t p) const {
    if (lineStarts.empty()) return {};
    const auto from = static_cast<std::size_t>(lineStarts[static_cast<std::size_t>(p)] - p);
    const auto to = static_cast<std::size_t>(lineStarts[static_cast<std::size_t>(p) + 1] - p - 1);
    return std::span<const std::int32_t>(wraps.data() + from, to - from);
  }
  // Where paragraphs [first, first+count) lie in the text: with the breaks between them,
  // and with the break after the last when the text holds one.
  StringView Run(std::int32_t first, std::int32_t count) const {
    const auto from = static_cast<std::size_t>(starts[static_cast<std::size_t>(first)]);
    const auto to = std::min(static_cast<std::size_t>(starts[static_cast<std::size_t>(first + count)]), view.size());
    return view.substr(from, to - from);
  }
};

namespace {
constexpr char16_t kBreak[] = u"\r\n";
// Long stretches are handed out in runs of at most this many units, so a scan that stops
// early never walks far ahead.
constexpr std::int64_t kMaxRun = 1 << 16;
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

std::int32_t Document::NewBlock(SharedText text, BreakRuns forms) {
  std::int32_t b;
  if (!freeBlocks_.empty()) {
    b = freeBlocks_.back();
    freeBlocks_.pop_back();
  } else {
    b = static_cast<std::int32_t>(blocks_.size());
    blocks_.emplace_back();
  }
  Block& k = blocks_[static_cast<std::size_t>(b)];
  k.text = std::move(text);
  k.view = k.text.View();
  k.forms = std::move(forms);
  const char16_t* const begin = k.view.data();
  const char16_t* const end = begin + k.view.size();
  k.starts.clear();
  k.starts.reserve(CountUnit(begin, end, u'\n') + 2);
  k.starts.push_back(0);
  for (const char16_t* p = FindUnit(begin, end, u'\n'); p != end; p = FindUnit(p + 1, end, u'\n')) {
    k.starts.push_back(static_cast<std::int32_t>(p + 1 - begin));
  }
  k.starts.push_back(static_cast<std::int32_t>(k.view.size() + 2));
  LayOutBlock(k);
  k.nodes = 0;
  lastBlock_ = b;
  return b;
}

void Document::LayOutBlock(Block& k) {
  k.lineStarts.clear();
  k.wraps.clear();
  const std::int32_t n = k.Paragraphs();
  bool counted = false;  // lineStarts is kept from the first paragraph of several lines on
  std::int32_t lines = 0;
  for (std::int32_t p = 0; p < n; ++p) {
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

void Document::ReleaseBlock(std::int32_t b) {
  blocks_[static_cast<std::size_t>(b)] = Block();
  freeBlocks_.push_back(b);
  if (lastBlock_ == b) lastBlock_ = -1;
}

// ---- Nodes -----------------------------------------------------------------------------

std::int32_t Document::NewNode() {
  std::int32_t x;
  if (!freeNodes_.empty()) {
    x = freeNodes_.back();
    freeNodes_.pop_back();
    nodes_[static_cast<std::size_t>(x)] = Node();
  } else {
    x = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  nodes_[static_cast<std::size_t>(x)].prio = NextPriority();
  return x;
}

std::int32_t Document::NewRunNode(std::int32_t block, std::int32_t first, std::int32_t count) {
  const std::int32_t x = NewNode();
  Node& n = nodes_[static_cast<std::size_t>(x)];
  n.block = block;
  n.first = first;
  n.count = count;
  ++blocks_[static_cast<std::size_t>(block)].nodes;
  Measure(x);
  Pull(x);
  return x;
}

std::int32_t Document::NewOwnedNode(String text, BreakForm form) {
  const std::int32_t x = NewNode();
  std::int32_t o;
  if (!freeOwned_.empty()) {
    o = freeOwned_.back();
    freeOwned_.pop_back();
    owned_[static_cast<std::size_t>(o)] = std::move(text);
  } else {
    o = static_cast<std::int32_t>(owned_.size());
    owned_.push_back(std::move(text));
  }
  Node& n = nodes_[static_cast<std::size_t>(x)];
  n.first = o;
  n.count = 1;
  n.form = form;
  breaker_.Wrap(owned_[static_cast<std::size_t>(o)], scratchWraps_);
  SetWraps(x, scratchWraps_);
  Measure(x);
  Pull(x);
  return x;
}

void Document::FreeNode(std::int32_t x) {
  Node& n = nodes_[static_cast<std::size_t>(x)];
  if (n.block >= 0) {
    if (--blocks_[static_cast<std::size_t>(n.block)].nodes == 0) ReleaseBlock(n.block);
  } else {
    owned_[static_cast<std::size_t>(n.first)] = String();
    freeOwned_.push_back(n.first);
    if (n.wraps >= 0) {
      wrapLists_[static_cast<std::size_t>(n.wraps)] = WrapList();
      freeWraps_.push_back(n.wraps);
    }
  }
  n = Node();
  freeNodes_.push_back(x);
}

void Document::FreeTree(std::int32_t t) {
  std::vector<std::int32_t> todo;
  if (t >= 0) todo.push_back(t);
  while (!todo.empty()) {
    const std::int32_t x = todo.back();
    todo.pop_back();
    const Node& n = nodes_[static_cast<std::size_t>(x)];
    if (n.left >= 0) todo.push_back(n.left);
    if (n.right >= 0) todo.push_back(n.right);
    FreeNode(x);
  }
}

StringView Document::ParaText(std::int32_t x, std::int32_t para) const {
  const Node& n = nodes_[static_cast<std::size_t>(x)];
  if (n.block < 0) return owned_[static_cast<std::size_t>(n.first)];
  return blocks_[static_cast<std::size_t>(n.block)].Para(para);
}

std::span<const std::int32_t> Document::ParaWraps(std::int32_t x, std::int32_t para) const {
  const Node& n = nodes_[static_cast<std::size_t>(x)];
  if (n.block >= 0) return blocks_[static_cast<std::size_t>(n.block)].Wraps(para);
  if (n.wraps < 0) return {};
  return wrapLists_[static_cast<std::size_t>(n.wraps)];
}

StringView Document::NodeText(std::int32_t x) const {
  const Node& n = nodes_[static_cast<std::size_t>(x)];
  if (n.block < 0) return owned_[static_cast<std::size_t>(n.first)];
  return blocks_[static_cast<std::size_t>(n.block)].Run(n.first, n.count);
}

void Document::SetWraps(std::int32_t x, WrapList& wraps) {
  Node& n = nodes_[static_cast<std::size_t>(x)];
  if (wraps.empty()) {
    if (n.wraps >= 0) {
      wrapLists_[static_cast<std::size_t>(n.wraps)] = WrapList();
      freeWraps_.push_back(n.wraps);
      n.wraps = -1;
    }
    return;
  }
  if (n.wraps < 0) {
    if (!freeWraps_.empty()) {
      n.wraps = freeWraps_.back();
      freeWraps_.pop_back();
    } else {
      n.wraps = static_cast<std::int32_t>(wrapLists_.size());
      wrapLists_.emplace_back();
    }
  }
  // Swapping hands the caller the old list as scratch space.
  std::swap(wrapLists_[static_cast<std::size_t>(n.wraps)], wraps);
}

void Document::Measure(std::int32_t x) {
  Node& n = nodes_[static_cast<std::size_t>(x)];
  if (n.block < 0) {
    n.chars = static_cast<std::uint32_t>(owned_[static_cast<std::size_t>(n.first)].size()) + 2;
    n.lines = 1 + (n.wraps < 0 ? 0 : static_cast<std::int32_t>(wrapLists_[static_cast<std::size_t>(n.wraps)].size()));
    return;
  }
  const Block& k = blocks_[static_cast<std::size_t>(n.block)];
  const std::int32_t end = n.first + n.count;
  n.chars = static_cast<std::uint32_t>(k.starts[static_cast<std::size_t>(end)] - k.starts[static_cast<std::size_t>(n.first)]);
  n.lines = k.LinesBefore(end) - k.LinesBefore(n.first);
}

void Document::Pull(std::int32_t x) {
  Node& n = nodes_[static_cast<std::size_t>(x)];
  n.subPars = n.count;
  n.subLines = n.lines;
  n.subChars = n.chars;
  for (std::int32_t c : {n.left, n.right}) {
    if (c < 0) continue;
    const Node& k = nodes_[static_cast<std::size_t>(c)];
    n.subPars += k.subPars;
    n.subLines += k.subLines;
    n.subChars += k.subChars;
  }
}

// ---- The tree --------------------------------------------------------------------------

void Document::SiftDown(std::int32_t x) {
  // Restores the heap order of priorities below x by moving priority values, not nodes, so
  // the balanced shape built by Build stays.
  for (;;) {
    std::int32_t best = x;
    for (std::int32_t c : {nodes_[static_cast<std::size_t>(x)].left, nodes_[static_cast<std::size_t>(x)].right}) {
      if (c >= 0 && nodes_[static_cast<std::size_t>(c)].prio > nodes_[static_cast<std::size_t>(best)].prio) best = c;
    }
    if (best == x) return;
    std::swap(nodes_[static_cast<std::size_t>(x)].prio, nodes_[static_cast<std::size_t>(best)].prio);
    x = best;
  }
}

std::int32_t Document::Build(const std::vector<std::int32_t>& ids, std::size_t lo, std::size_t hi) {
  if (lo >= hi) return -1;
  const std::size_t mid = lo + (hi - lo) / 2;
  const std::int32_t x = ids[mid];
  const std::int32_t l = Build(ids, lo, mid);
  const std::int32_t r = Build(ids, mid + 1, hi);
  nodes_[static_cast<std::size_t>(x)].left = l;
  nodes_[static_cast<std::size_t>(x)].right = r;
  Pull(x);
  SiftDown(x);
  return x;
}

std::int32_t Document::CutRun(std::int32_t x, std::int32_t keep) {
  const Node n = nodes_[static_cast<std::size_t>(x)];
  const std::int32_t rest = NewRunNode(n.block, n.first + keep, n.count - keep);
  nodes_[static_cast<std::size_t>(x)].count = keep;
  Measure(x);
  return rest;
}

void Document::Split(std::int32_t t, ParaNo k, std::int32_t& left, std::int32_t& right) {
  if (t < 0) {
    left = right = -1;
    return;
  }
  const Node& n = nodes_[static_cast<std::size_t>(t)];
  const ParaNo leftPars = n.left < 0 ? 0 : nodes_[static_cast<std::size_t>(n.left)].subPars;
  const ParaNo own = n.count;
  std::int32_t l, r;
  if (k <= leftPars) {
    Split(n.left, k, l, r);
    nodes_[static_cast<std::size_t>(t)].left = r;
    Pull(t);
    left = l;
    right = t;
  } else if (k >= leftPars + own) {
    Split(n.right, k - leftPars - own, l, r);
    nodes_[static_cast<std::size_t>(t)].right = l;
    Pull(t);
    left = t;
    right = r;
  } else {
    // The cut falls inside this run: it keeps the paragraphs before the cut, and a node
    // with a priority of its own takes the rest into the right part.
    const std::int32_t rest = CutRun(t, k - leftPars);
    r = nodes_[static_cast<std::size_t>(t)].right;
    nodes_[static_cast<std::size_t>(t)].right = -1;
    Pull(t);
    left = t;
    right = Merge(rest, r);
  }
}

std::int32_t Document::Merge(std::int32_t a, std::int32_t b) {
  if (a < 0) return b;
  if (b < 0) return a;
  if (nodes_[static_cast<std::size_t>(a)].prio > nodes_[static_cast<std::size_t>(b)].prio) {
    const std::int32_t r = Merge(nodes_[static_cast<std::size_t>(a)].right, b);
    nodes_[static_cast<std::size_t>(a)].right = r;
    Pull(a);
    return a;
  }
  const std::int32_t l = Merge(a, nodes_[static_cast<std::size_t>(b)].left);
  nodes_[static_cast<std::size_t>(b)].left = l;
  Pull(b);
  return b;
}

void Document::Assign(String text, BreakRuns forms) {
  nodes_ = {};
  freeNodes_ = {};
  blocks_ = {};
  freeBlocks_ = {};
  owned_ = {};
  freeOwned_ = {};
  wrapLists_ = {};
  freeWraps_ = {};
  finger_ = Locus();
  path_.clear();
  // The whole text is one block, shown by one node until edits cut it.
  const std::int32_t b = NewBlock(SharedText(std::move(text)), std::move(forms));
  root_ = NewRunNode(b, 0, blocks_[static_cast<std::size_t>(b)].Paragraphs());
}

CharPos Document::Length() const {
  return static_cast<CharPos>(nodes_[static_cast<std::size_t>(root_)].subChars - 2);
}

ParaNo Document::ParagraphCount() const { return nodes_[static_cast<std::size_t>(root_)].subPars; }

LineNo Document::LineCount() const { return nodes_[static_cast<std::size_t>(root_)].subLines; }

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
  if constexpr (U == Unit::Lines) return at.firstLine;
  if constexpr (U == Unit::Paras) return at.index;
}

template <Document::Unit U>
Document::Locus Document::Descend(std::int64_t target, std::vector<std::int32_t>* path) const {
  Locus at;
  std::int32_t x = root_;
  for (;;) {
    if (path) path->push_back(x);
    const Node& n = nodes_[static_cast<std::size_t>(x)];
    const Node* l = n.left < 0 ? nullptr : &nodes_[static_cast<std::size_t>(n.left)];
    if (l && target < Count<U>(at) + Count<U>(*l, true)) {
      x = n.left;
      continue;
    }
    if (l) {
      at.start += l->subChars;
      at.index += l->subPars;
      at.firstLine += l->subLines;
    }
    if (target < Count<U>(at) + Count<U>(n, false) || n.right < 0) {
      at.node = x;
      if (n.block >= 0) {
        // The paragraph inside the run: by a binary search in the block's index, or directly
        // where every paragraph counts one.
        const Block& k = blocks_[static_cast<std::size_t>(n.block)];
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
        at.start += k.starts[static_cast<std::size_t>(at.para)] - k.starts[static_cast<std::size_t>(n.first)];
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
  const std::int64_t target = std::clamp<std::int64_t>(pos, 0, Length());
  // One event asks about the same paragraph several times (snap the caret, edit, show the
  // position): the last paragraph found answers without a descent.
  if (finger_.node >= 0 && target >= finger_.start &&
      target < finger_.start + std::int64_t(ParaText(finger_.node, finger_.para).size()) + 2) {
    return finger_;
  }
  path_.clear();
  finger_ = Descend<Unit::Chars>(target, &path_);
  return finger_;
}

Document::Locus Document::LocateLine(LineNo line) const {
  const LineNo target = std::clamp(line, 0, LineCount() - 1);
  if (finger_.node >= 0 && target >= finger_.firstLine &&
      target < finger_.firstLine + 1 + LineNo(ParaWraps(finger_.node, finger_.para).size())) {
    return finger_;
  }
  path_.clear();
  finger_ = Descend<Unit::Lines>(target, &path_);
  return finger_;
}

Document::Locus Document::LocatePara(ParaNo index) const {
  return Descend<Unit::Paras>(std::clamp(index, 0, ParagraphCount() - 1), nullptr);
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
  const auto offset = std::clamp<std::int64_t>(std::int64_t(pos) - p.start, 0, std::int64_t(p.text.size()));
  return p.firstLine + static_cast<LineNo>(std::upper_bound(p.wraps.begin(), p.wraps.end(), offset) - p.wraps.begin());
}

CharPos Document::LineStart(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp(line - p.firstLine, 0, static_cast<LineNo>(p.wraps.size())));
  return p.start + (k == 0 ? 0 : p.wraps[k - 1]);
}

CharPos Document::LineLength(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp(line - p.firstLine, 0, static_cast<LineNo>(p.wraps.size())));
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
  start = std::clamp(start, 0, total);
  const CharPos end = static_cast<CharPos>(std::clamp<std::int64_t>(std::int64_t(start) + std::max(length, 0), start, total));
  if (end == start) return String();
  String out;
  out.reserve(static_cast<std::size_t>(end - start));
  Runs runs(*this, start);
  StringView run;
  CharPos at = 0;
  while (at < end && runs.Next(run, at)) {
    out.append(run.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(run.size(), end - at))));
    at += static_cast<CharPos>(run.size());  // the loop goes on only while this run ended short
  }
  return out;
}

String Document::Text() const { return Slice(0, Length()); }

std::vector<StringView> Document::Pieces() const {
  // Each node gives its text, then its break where the text does not hold it; the pieces end
  // only at the end of a paragraph or of a break.
  std::vector<StringView> pieces;
  std::int64_t left = Length();
  std::vector<std::int32_t> stack;
  for (std::int32_t x = root_; x >= 0 || !stack.empty();) {
    for (; x >= 0; x = nodes_[static_cast<std::size_t>(x)].left) stack.push_back(x);
    x = stack.back();
    stack.pop_back();
    const StringView text = NodeText(x);
    const std::int64_t held = nodes_[static_cast<std::size_t>(x)].chars - std::int64_t(text.size());
    for (StringView piece : {text, StringView(kBreak + 2 - held, static_cast<std::size_t>(held))}) {
      // The last paragraph has no break, though its block may hold one after it.
      piece = piece.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t(piece.size()))));
      left -= std::int64_t(piece.size());
      if (!piece.empty()) pieces.push_back(piece);
    }
    x = nodes_[static_cast<std::size_t>(x)].right;
  }
  return pieces;
}

SharedText Document::Share(CharPos start, CharPos length) const {
  const CharPos total = Length();
  start = std::clamp(start, 0, total);
  const CharPos end = static_cast<CharPos>(std::clamp<std::int64_t>(std::int64_t(start) + std::max(length, 0), start, total));
  if (end == start) return SharedText();
  const Locus at = LocateChar(start);
  const Node& n = nodes_[static_cast<std::size_t>(at.node)];
  if (n.block >= 0) {
    const Block& k = blocks_[static_cast<std::size_t>(n.block)];
    const StringView run = k.Run(n.first, n.count);
    const auto from = static_cast<std::size_t>(k.starts[static_cast<std::size_t>(at.para)] + (start - at.start));
    const auto runEnd = static_cast<std::size_t>(run.data() - k.view.data()) + run.size();
    if (from + static_cast<std::size_t>(end - start) <= runEnd) {
      return k.text.Sub(from, static_cast<std::size_t>(end - start));
    }
  }
  return SharedText(Slice(start, end - start));
}

// ---- Break forms -----------------------------------------------------------------------

BreakForm Document::FormOf(const Locus& at) const {
  const Node& n = nodes_[static_cast<std::size_t>(at.node)];
  if (n.block < 0) return n.form;
  return FormAt(blocks_[static_cast<std::size_t>(n.block)].forms, at.para);
}

// Adds the forms of the breaks ending paragraphs [from, to) found in the subtree x, whose first
// paragraph is number `base`, numbered from `from`. Subtrees outside the range are skipped, so
// the walk costs the nodes in the range and the descent to them.
void Document::CollectForms(std::int32_t x, ParaNo base, ParaNo from, ParaNo to, BreakRuns& out) const {
  if (x < 0) return;
  const Node& n = nodes_[static_cast<std::size_t>(x)];
  if (base >= to || base + n.subPars <= from) return;
  const ParaNo leftPars = n.left < 0 ? 0 : nodes_[static_cast<std::size_t>(n.left)].subPars;
  CollectForms(n.left, base, from, to, out);
  const ParaNo own = base + leftPars;
  const ParaNo lo = std::max(own, from), hi = std::min(own + n.count, to);
  if (lo < hi) {
    if (n.block < 0) {
      AddRun(out, lo - from, n.form);
    } else {
      const BreakRuns& runs = blocks_[static_cast<std::size_t>(n.block)].forms;
      const std::int32_t p0 = n.first + (lo - own), p1 = n.first + (hi - own);
      AddRun(out, lo - from, FormAt(runs, p0));
      auto it = std::upper_bound(runs.begin(), runs.end(), p0, [](std::int32_t i, const BreakRun& r) { return i < r.index; });
      for (; it != runs.end() && it->index < p1; ++it) AddRun(out, it->index - p0 + lo - from, it->form);
    }
  }
  CollectForms(n.right, own + n.count, from, to, out);
}

BreakRuns Document::FormsIn(CharPos start, CharPos length) const {
  const CharPos total = Length();
  start = std::clamp(start, 0, total);
  const CharPos end = static_cast<CharPos>(std::clamp<std::int64_t>(std::int64_t(start) + std::max(length, 0), start, total));
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
  // The paragraph leaves its run for a node of its own, with a copy of its text and wraps.
  String text(ParaText(at.node, at.para));
  const std::span<const std::int32_t> w = ParaWraps(at.node, at.para);
  WrapList wraps(w.begin(), w.end());
  finger_ = Locus();
  std::int32_t left, rest, mid, right;
  Split(root_, at.index, left, rest);
  Split(rest, 1, mid, right);  // a single node: every node holds one paragraph or more
  Node& n = nodes_[static_cast<std::size_t>(mid)];
  const std::int32_t block = n.block;
  n.form = FormAt(blocks_[static_cast<std::size_t>(block)].forms, n.first);
  n.block = -1;
  n.count = 1;
  if (!freeOwned_.empty()) {
    n.first = freeOwned_.back();
    freeOwned_.pop_back();
    owned_[static_cast<std::size_t>(n.first)] = std::move(text);
  } else {
    n.first = static_cast<std::int32_t>(owned_.size());
    owned_.push_back(std::move(text));
  }
  if (--blocks_[static_cast<std::size_t>(block)].nodes == 0) ReleaseBlock(block);
  SetWraps(mid, wraps);
  Measure(mid);
  Pull(mid);
  root_ = Merge(Merge(left, mid), right);
  return LocateChar(static_cast<CharPos>(at.start));
}

void Document::ReplaceInParagraph(Locus at, std::int32_t offset, std::int32_t removed, StringView text) {
  if (nodes_[static_cast<std::size_t>(at.node)].block >= 0) at = OwnParagraph(at);
  const std::int32_t x = at.node;
  String& s = owned_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(x)].first)];
  s.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(removed), text);
  breaker_.Rewrap(s, ParaWraps(x, 0), offset, removed, static_cast<std::int32_t>(text.size()), scratchWraps_);
  SetWraps(x, scratchWraps_);
  Measure(x);
  // The located paragraph keeps its start and first line; only the sums above it change.
  for (auto it = path_.rbegin(); it != path_.rend(); ++it) Pull(*it);
}

SharedText Document::Replace(CharPos start, CharPos length, SharedText text, const BreakRuns& forms) {
  const CharPos total = Length();
  start = std::clamp(start, 0, total);
  CharPos end = static_cast<CharPos>(std::clamp<std::int64_t>(std::int64_t(start) + std::max(length, 0), start, total));
  const StringView view = text.View();
  const Locus a = LocateChar(start);
  std::int32_t oa = static_cast<std::int32_t>(start - a.start);
  const auto lenA = static_cast<std::int32_t>(ParaText(a.node, a.para).size());
  // A range end between "\r" and "\n" would leave half a break: take the whole pair.
  if (oa > lenA) oa = lenA;
  const char16_t* const vEnd = view.data() + view.size();
  const char16_t* const firstNl = FindUnit(view.data(), vEnd, u'\n');
  if (firstNl == vEnd && std::int64_t(end) <= a.start + lenA) {
    ReplaceInParagraph(a, oa, static_cast<std::int32_t>(end - start), view);
    return text;
  }
  Locus b = LocateChar(end);
  std::int32_t ob = static_cast<std::int32_t>(end - b.start);
  const auto lenB = static_cast<std::int32_t>(ParaText(b.node, b.para).size());
  if (ob > lenB) {
    // Inside a break: move past it (the last paragraph has none, so there is a next one).
    b = LocateChar(static_cast<CharPos>(b.start + lenB + 2));
    ob = 0;
  }
  String prefix(ParaText(a.node, a.para).substr(0, static_cast<std::size_t>(oa)));
  String suffix(ParaText(b.node, b.para).substr(static_cast<std::size_t>(ob)));
  const BreakForm lastForm = FormOf(b);  // the break that ends the suffix stays
  const ParaNo firstRemoved = a.index, removedCount = b.index - a.index + 1;
  finger_ = Locus();  // the tree changes shape

  // The new paragraphs: the prefix joins the first line of the text, the suffix its last.
  // Lines in between stay in the text's own block, shared with whoever holds the text; the
  // same text of several lines inserted again shares the block made for it last time.
  std::vector<std::int32_t> ids;
  SharedText kept = text;  // what the caller gets back; `text` itself lives on for `view`
  if (firstNl == vEnd) {
    prefix.append(view).append(suffix);
    ids.push_back(NewOwnedNode(std::move(prefix), lastForm));
  } else {
    auto lastNl = static_cast<std::size_t>(firstNl - view.data());
    prefix.append(view.substr(0, lastNl - 1));
    ids.push_back(NewOwnedNode(std::move(prefix), FormAt(forms, 0)));
    if (FindUnit(firstNl + 1, vEnd, u'\n') != vEnd) {
      std::int32_t block = lastBlock_;
      if (block < 0 || blocks_[static_cast<std::size_t>(block)].forms != forms ||
          !(blocks_[static_cast<std::size_t>(block)].text.SameAs(text) ||
            blocks_[static_cast<std::size_t>(block)].view == view)) {
        block = NewBlock(text, forms);
      }
      const Block& k = blocks_[static_cast<std::size_t>(block)];
      kept = k.text;
      lastNl = static_cast<std::size_t>(k.starts[static_cast<std::size_t>(k.Paragraphs() - 1)]) - 1;
      ids.push_back(NewRunNode(block, 1, k.Paragraphs() - 2));
    }
    String last(view.substr(lastNl + 1));
    last.append(suffix);
    ids.push_back(NewOwnedNode(std::move(last), lastForm));
  }
  std::int32_t left, rest, middle, right;
  Split(root_, firstRemoved, left, rest);
  Split(rest, removedCount, middle, right);
  FreeTree(middle);
  root_ = Merge(Merge(left, Build(ids, 0, ids.size())), right);
  return kept;
}

void Document::RelayoutTree(std::int32_t t) {
  if (t < 0) return;
  RelayoutTree(nodes_[static_cast<std::size_t>(t)].left);
  RelayoutTree(nodes_[static_cast<std::size_t>(t)].right);
  const Node& n = nodes_[static_cast<std::size_t>(t)];
  if (n.block < 0) {
    breaker_.Wrap(owned_[static_cast<std::size_t>(n.first)], scratchWraps_);
    SetWraps(t, scratchWraps_);
  }
  Measure(t);
  Pull(t);
}

void Document::Relayout() {
  finger_ = Locus();  // line numbers move
  // A block is laid out whole, even where edits replaced some of its paragraphs: its line
  // counts are sums from its start.
  for (Block& k : blocks_) {
    if (k.nodes > 0) LayOutBlock(k);
  }
  RelayoutTree(root_);
}

std::size_t Document::MemoryUse() const {
  std::size_t bytes = sizeof(*this) + nodes_.capacity() * sizeof(Node) + blocks_.capacity() * sizeof(Block);
  bytes += (freeNodes_.capacity() + freeBlocks_.capacity() + freeOwned_.capacity() + freeWraps_.capacity()) *
           sizeof(std::int32_t);
  for (const Block& k : blocks_) {
    bytes += k.view.size() * sizeof(char16_t);
    bytes += (k.starts.capacity() + k.lineStarts.capacity() + k.wraps.capacity()) * sizeof(std::int32_t);
  }
  bytes += owned_.capacity() * sizeof(String) + wrapLists_.capacity() * sizeof(WrapList);
  for (const String& s : owned_) {
    if (s.capacity() > String().capacity()) bytes += (s.capacity() + 1) * sizeof(char16_t);
  }
  for (const WrapList& w : wrapLists_) bytes += w.capacity() * sizeof(std::int32_t);
  return bytes;
}

// ---- Runs ------------------------------------------------------------------------------

Document::Runs::Runs(const Document& doc, CharPos from) : doc_(doc) {
  const std::int64_t target = std::clamp<std::int64_t>(from, 0, doc.Length());
  pos_ = static_cast<CharPos>(target);
  std::int64_t base = 0;
  std::int32_t x = doc.root_;
  while (x >= 0) {
    const Node& n = doc.nodes_[static_cast<std::size_t>(x)];
    const std::int64_t leftChars = n.left < 0 ? 0 : doc.nodes_[static_cast<std::size_t>(n.left)].subChars;
    if (target < base + leftChars) {
      stack_.push_back(x);
      x = n.left;
      continue;
    }
    base += leftChars;
    if (target < base + n.chars || n.right < 0) {
      node_ = x;
      skip_ = target - base;
      return;
    }
    base += n.chars;
    x = n.right;
  }
}

void Document::Runs::Descend(std::int32_t x) {
  while (x >= 0) {
    stack_.push_back(x);
    x = doc_.nodes_[static_cast<std::size_t>(x)].left;
  }
}

bool Document::Runs::NextPiece(Piece& piece) {
  while (node_ >= 0) {
    const Node& n = doc_.nodes_[static_cast<std::size_t>(node_)];
    if (phase_ == 0) {
      phase_ = 1;
      const StringView text = doc_.NodeText(node_);
      if (skip_ >= std::int64_t(text.size())) {
        skip_ -= std::int64_t(text.size());
        continue;
      }
      piece = {text.data() + skip_, std::int64_t(text.size()) - skip_};
      skip_ = 0;
      return true;
    }
    if (phase_ == 1) {
      phase_ = 2;
      // A run that does not end its block had its last break in its text already.
      const std::int64_t held = n.chars - std::int64_t(doc_.NodeText(node_).size());
      if (held == 0 || skip_ >= held) continue;
      piece = {kBreak + 2 - held + skip_, held - skip_};
      skip_ = 0;
      return true;
    }
    Descend(n.right);
    if (stack_.empty()) {
      node_ = -1;
    } else {
      node_ = stack_.back();
      stack_.pop_back();
    }
    phase_ = 0;
  }
  return false;
}

bool Document::Runs::Next(StringView& run, CharPos& runStart) {
  Piece p = rest_;
  rest_ = Piece();
  if (p.size == 0 && !NextPiece(p)) return false;
  if (p.size > kMaxRun) {
    rest_ = {p.data + kMaxRun, p.size - kMaxRun};
    p.size = kMaxRun;
  }
  // The text of the last paragraph may be followed by a break that the document does not
  // have (its run ends inside a block): stop at the document's end.
  p.size = std::min<std::int64_t>(p.size, std::int64_t(doc_.Length()) - pos_);
  if (p.size <= 0) return false;
  run = StringView(p.data, static_cast<std::size_t>(p.size));
  runStart = pos_;
  pos_ += static_cast<CharPos>(p.size);
  return true;
}

// ---- Breaks ----------------------------------------------------------------------------

bool HasOnlyPairedBreaks(StringView text) {
  static constexpr char16_t kEnds[] = {u'\r', u'\n'};
  const char16_t* const end = text.data() + text.size();
  for (const char16_t* p = FindAnyUnit(text.data(), end, kEnds, 2); p != end; p = FindAnyUnit(p + 2, end, kEnds, 2)) {
    if (*p != u'\r' || p + 1 == end || p[1] != u'\n') return false;
  }
  return true;
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
