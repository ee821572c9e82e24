#include "text/document.hh"

#include <algorithm>
#include <limits>
#include <utility>

#include "text/unit_scan.hh"

namespace quilmar {

// The tree's part of a paragraph, kept small so that a descent touches little memory.
struct Document::Node {
  std::int32_t left = -1;
  std::int32_t right = -1;
  std::uint32_t prio = 0;
  std::int32_t len = 0;         // the paragraph's text, its break excluded; -1: a free node
  std::int32_t ownLines = 1;    // laid-out lines of this paragraph
  std::int32_t subPars = 1;     // subtree sums
  std::int32_t subLines = 1;
  std::uint32_t subChars = 2;   // every paragraph counts its text and its break
  // Where the subtree's text starts in base_ when all of it lies there unedited and in
  // order, breaks included (so it reads as one run); kScattered otherwise.
  std::uint32_t subBase = 0xFFFFFFFFu;
};

// Where a paragraph's text and wraps live.
struct Document::Body {
  std::uint32_t offset = 0;  // into base_, when owned < 0
  std::int32_t owned = -1;   // into owned_
  std::int32_t wraps = -1;   // into wrapLists_; -1: a single line
};

namespace {
const WrapList kNoWraps;
constexpr std::uint32_t kScattered = 0xFFFFFFFFu;
constexpr char16_t kBreak[] = u"\r\n";
// Unedited paragraphs are merged into runs of at most this many units, so a scan that stops
// early never walks far ahead.
constexpr std::int32_t kMaxRun = 1 << 16;
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

StringView Document::TextOf(std::int32_t x) const {
  const Body& b = bodies_[static_cast<std::size_t>(x)];
  if (b.owned >= 0) return owned_[static_cast<std::size_t>(b.owned)];
  return StringView(base_).substr(b.offset, static_cast<std::size_t>(nodes_[static_cast<std::size_t>(x)].len));
}

const WrapList& Document::WrapsOf(std::int32_t x) const {
  const std::int32_t w = bodies_[static_cast<std::size_t>(x)].wraps;
  return w < 0 ? kNoWraps : wrapLists_[static_cast<std::size_t>(w)];
}

void Document::SetWraps(std::int32_t x, WrapList& wraps) {
  Body& b = bodies_[static_cast<std::size_t>(x)];
  if (wraps.empty()) {
    if (b.wraps >= 0) {
      wrapLists_[static_cast<std::size_t>(b.wraps)] = WrapList();
      freeWraps_.push_back(b.wraps);
      b.wraps = -1;
    }
  } else {
    if (b.wraps < 0) {
      if (!freeWraps_.empty()) {
        b.wraps = freeWraps_.back();
        freeWraps_.pop_back();
      } else {
        b.wraps = static_cast<std::int32_t>(wrapLists_.size());
        wrapLists_.emplace_back();
      }
    }
    // Swapping hands the caller the old list as scratch space.
    std::swap(wrapLists_[static_cast<std::size_t>(b.wraps)], wraps);
  }
  nodes_[static_cast<std::size_t>(x)].ownLines =
      1 + static_cast<std::int32_t>(WrapsOf(x).size());
}

std::int32_t Document::NewNode(StringView text, bool owned, std::uint32_t baseOffset) {
  std::int32_t x;
  if (!freeNodes_.empty()) {
    x = freeNodes_.back();
    freeNodes_.pop_back();
    nodes_[static_cast<std::size_t>(x)] = Node();
    bodies_[static_cast<std::size_t>(x)] = Body();
  } else {
    x = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
    bodies_.emplace_back();
  }
  Node& n = nodes_[static_cast<std::size_t>(x)];
  n.prio = NextPriority();
  n.len = static_cast<std::int32_t>(text.size());
  Body& b = bodies_[static_cast<std::size_t>(x)];
  if (owned) {
    if (!freeOwned_.empty()) {
      b.owned = freeOwned_.back();
      freeOwned_.pop_back();
      owned_[static_cast<std::size_t>(b.owned)].assign(text);
    } else {
      b.owned = static_cast<std::int32_t>(owned_.size());
      owned_.emplace_back(text);
    }
  } else {
    b.offset = baseOffset;
  }
  breaker_.Wrap(text, scratchWraps_);
  SetWraps(x, scratchWraps_);
  Pull(x);
  return x;
}

void Document::FreeNode(std::int32_t x) {
  Body& b = bodies_[static_cast<std::size_t>(x)];
  if (b.owned >= 0) {
    owned_[static_cast<std::size_t>(b.owned)] = String();
    freeOwned_.push_back(b.owned);
  }
  if (b.wraps >= 0) {
    wrapLists_[static_cast<std::size_t>(b.wraps)] = WrapList();
    freeWraps_.push_back(b.wraps);
  }
  b = Body();
  nodes_[static_cast<std::size_t>(x)].len = -1;
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

void Document::Pull(std::int32_t x) {
  Node& n = nodes_[static_cast<std::size_t>(x)];
  n.subPars = 1;
  n.subLines = n.ownLines;
  n.subChars = static_cast<std::uint32_t>(n.len) + 2;
  for (std::int32_t c : {n.left, n.right}) {
    if (c < 0) continue;
    const Node& k = nodes_[static_cast<std::size_t>(c)];
    n.subPars += k.subPars;
    n.subLines += k.subLines;
    n.subChars += k.subChars;
  }
  n.subBase = kScattered;
  const Body& b = bodies_[static_cast<std::size_t>(x)];
  const std::uint64_t end = std::uint64_t(b.offset) + std::uint64_t(n.len) + 2;
  if (b.owned >= 0 || end > base_.size()) return;
  std::uint32_t start = b.offset;
  if (n.left >= 0) {
    const Node& l = nodes_[static_cast<std::size_t>(n.left)];
    if (l.subBase == kScattered || std::uint64_t(l.subBase) + l.subChars != b.offset) return;
    start = l.subBase;
  }
  if (n.right >= 0 && nodes_[static_cast<std::size_t>(n.right)].subBase != end) return;
  n.subBase = start;
}

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

void Document::Split(std::int32_t t, ParaNo k, std::int32_t& left, std::int32_t& right) {
  if (t < 0) {
    left = right = -1;
    return;
  }
  Node& n = nodes_[static_cast<std::size_t>(t)];
  const ParaNo leftPars = n.left < 0 ? 0 : nodes_[static_cast<std::size_t>(n.left)].subPars;
  if (k <= leftPars) {
    std::int32_t l, r;
    Split(n.left, k, l, r);
    nodes_[static_cast<std::size_t>(t)].left = r;
    Pull(t);
    left = l;
    right = t;
  } else {
    std::int32_t l, r;
    Split(n.right, k - leftPars - 1, l, r);
    nodes_[static_cast<std::size_t>(t)].right = l;
    Pull(t);
    left = t;
    right = r;
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

void Document::Assign(String text) {
  nodes_ = {};
  bodies_ = {};
  freeNodes_ = {};
  owned_ = {};
  freeOwned_ = {};
  wrapLists_ = {};
  freeWraps_ = {};
  finger_ = Locus();
  base_ = std::move(text);
  // The text is split where it lies: every paragraph points into it until edited.
  const char16_t* const begin = base_.data();
  const char16_t* const end = begin + base_.size();
  const std::size_t paragraphs = CountUnit(begin, end, u'\n') + 1;
  nodes_.reserve(paragraphs);
  bodies_.reserve(paragraphs);
  const char16_t* p = begin;
  for (;;) {
    const char16_t* nl = FindUnit(p, end, u'\n');
    const char16_t* stop = nl == end ? end : nl - 1;  // the "\r" before a "\n"
    NewNode(StringView(p, static_cast<std::size_t>(stop - p)), false,
            static_cast<std::uint32_t>(p - begin));
    if (nl == end) break;
    p = nl + 1;
  }
  std::vector<std::int32_t> ids(nodes_.size());
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<std::int32_t>(i);
  root_ = Build(ids, 0, ids.size());
}

CharPos Document::Length() const {
  return static_cast<CharPos>(nodes_[static_cast<std::size_t>(root_)].subChars - 2);
}

ParaNo Document::ParagraphCount() const { return nodes_[static_cast<std::size_t>(root_)].subPars; }

LineNo Document::LineCount() const { return nodes_[static_cast<std::size_t>(root_)].subLines; }

Document::Locus Document::LocateChar(CharPos pos) const {
  const std::int64_t target = std::clamp<std::int64_t>(pos, 0, Length());
  // One event asks about the same paragraph several times (snap the caret, edit, show the
  // position): the last paragraph found answers without a descent.
  if (finger_.node >= 0 && target >= finger_.start &&
      target < finger_.start + nodes_[static_cast<std::size_t>(finger_.node)].len + 2) {
    return finger_;
  }
  path_.clear();
  Locus at;
  std::int32_t x = root_;
  for (;;) {
    path_.push_back(x);
    const Node& n = nodes_[static_cast<std::size_t>(x)];
    const Node* l = n.left < 0 ? nullptr : &nodes_[static_cast<std::size_t>(n.left)];
    const std::int64_t leftChars = l ? l->subChars : 0;
    if (target < at.start + leftChars) {
      x = n.left;
      continue;
    }
    const std::int64_t own = std::int64_t(n.len) + 2;
    at.start += leftChars;
    at.index += l ? l->subPars : 0;
    at.firstLine += l ? l->subLines : 0;
    if (target < at.start + own || n.right < 0) {
      at.node = x;
      finger_ = at;
      return at;
    }
    at.start += own;
    at.index += 1;
    at.firstLine += n.ownLines;
    x = n.right;
  }
}

Document::Locus Document::LocateLine(LineNo line) const {
  const LineNo target = std::clamp(line, 0, LineCount() - 1);
  if (finger_.node >= 0 && target >= finger_.firstLine &&
      target < finger_.firstLine + nodes_[static_cast<std::size_t>(finger_.node)].ownLines) {
    return finger_;
  }
  path_.clear();
  Locus at;
  std::int32_t x = root_;
  for (;;) {
    path_.push_back(x);
    const Node& n = nodes_[static_cast<std::size_t>(x)];
    const Node* l = n.left < 0 ? nullptr : &nodes_[static_cast<std::size_t>(n.left)];
    const LineNo leftLines = l ? l->subLines : 0;
    if (target < at.firstLine + leftLines) {
      x = n.left;
      continue;
    }
    at.start += l ? l->subChars : 0;
    at.index += l ? l->subPars : 0;
    at.firstLine += leftLines;
    if (target < at.firstLine + n.ownLines || n.right < 0) {
      at.node = x;
      finger_ = at;
      return at;
    }
    at.start += std::int64_t(n.len) + 2;
    at.index += 1;
    at.firstLine += n.ownLines;
    x = n.right;
  }
}

Document::Locus Document::LocatePara(ParaNo index) const {
  const ParaNo target = std::clamp(index, 0, ParagraphCount() - 1);
  Locus at;
  std::int32_t x = root_;
  for (;;) {
    const Node& n = nodes_[static_cast<std::size_t>(x)];
    const Node* l = n.left < 0 ? nullptr : &nodes_[static_cast<std::size_t>(n.left)];
    const ParaNo leftPars = l ? l->subPars : 0;
    if (target < at.index + leftPars) {
      x = n.left;
      continue;
    }
    at.start += l ? l->subChars : 0;
    at.index += leftPars;
    at.firstLine += l ? l->subLines : 0;
    if (target == at.index || n.right < 0) {
      at.node = x;
      return at;
    }
    at.start += std::int64_t(n.len) + 2;
    at.index += 1;
    at.firstLine += n.ownLines;
    x = n.right;
  }
}

Document::Para Document::MakePara(const Locus& at) const {
  Para p;
  p.index = at.index;
  p.start = static_cast<CharPos>(at.start);
  p.firstLine = at.firstLine;
  p.text = TextOf(at.node);
  p.wraps = &WrapsOf(at.node);
  return p;
}

Document::Para Document::ParagraphAt(CharPos pos) const { return MakePara(LocateChar(pos)); }

Document::Para Document::Paragraph(ParaNo index) const { return MakePara(LocatePara(index)); }

Document::Para Document::ParagraphOfLine(LineNo line) const { return MakePara(LocateLine(line)); }

LineNo Document::LineOf(CharPos pos) const {
  const Para p = ParagraphAt(pos);
  const auto offset = std::clamp<std::int64_t>(std::int64_t(pos) - p.start, 0, std::int64_t(p.text.size()));
  const auto& w = *p.wraps;
  return p.firstLine + static_cast<LineNo>(std::upper_bound(w.begin(), w.end(), offset) - w.begin());
}

CharPos Document::LineStart(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp(line - p.firstLine, 0, static_cast<LineNo>(p.wraps->size())));
  return p.start + (k == 0 ? 0 : (*p.wraps)[k - 1]);
}

CharPos Document::LineLength(LineNo line) const {
  const Para p = ParagraphOfLine(line);
  const auto k = static_cast<std::size_t>(std::clamp(line - p.firstLine, 0, static_cast<LineNo>(p.wraps->size())));
  const CharPos from = k == 0 ? 0 : (*p.wraps)[k - 1];
  const CharPos to = k < p.wraps->size() ? (*p.wraps)[k] : static_cast<CharPos>(p.text.size());
  return to - from;
}

char16_t Document::CharAt(CharPos pos) const {
  const Para p = ParagraphAt(pos);
  const auto offset = static_cast<std::size_t>(pos - p.start);
  if (offset < p.text.size()) return p.text[offset];
  return kBreak[std::min<std::size_t>(offset - p.text.size(), 1)];
}

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

void Document::ReplaceInParagraph(const Locus& at, std::int32_t offset, std::int32_t removed, StringView text) {
  const std::int32_t x = at.node;
  Body& b = bodies_[static_cast<std::size_t>(x)];
  if (b.owned < 0) {
    String copy(TextOf(x));
    if (!freeOwned_.empty()) {
      b.owned = freeOwned_.back();
      freeOwned_.pop_back();
      owned_[static_cast<std::size_t>(b.owned)] = std::move(copy);
    } else {
      b.owned = static_cast<std::int32_t>(owned_.size());
      owned_.push_back(std::move(copy));
    }
  }
  String& s = owned_[static_cast<std::size_t>(b.owned)];
  s.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(removed), text);
  nodes_[static_cast<std::size_t>(x)].len = static_cast<std::int32_t>(s.size());
  breaker_.Rewrap(s, WrapsOf(x), offset, removed, static_cast<std::int32_t>(text.size()), scratchWraps_);
  SetWraps(x, scratchWraps_);
  // The located paragraph keeps its start and first line; only the sums above it change.
  for (auto it = path_.rbegin(); it != path_.rend(); ++it) Pull(*it);
}

void Document::Replace(CharPos start, CharPos length, StringView text) {
  const CharPos total = Length();
  start = std::clamp(start, 0, total);
  CharPos end = static_cast<CharPos>(std::clamp<std::int64_t>(std::int64_t(start) + std::max(length, 0), start, total));
  const Locus a = LocateChar(start);
  std::int32_t oa = static_cast<std::int32_t>(start - a.start);
  const std::int32_t lenA = nodes_[static_cast<std::size_t>(a.node)].len;
  // A range end between "\r" and "\n" would leave half a break: take the whole pair.
  if (oa > lenA) oa = lenA;
  const bool multiLine = FindUnit(text.data(), text.data() + text.size(), u'\n') != text.data() + text.size();
  if (!multiLine && std::int64_t(end) <= a.start + lenA) {
    ReplaceInParagraph(a, oa, static_cast<std::int32_t>(end - start), text);
    return;
  }
  Locus b = LocateChar(end);
  std::int32_t ob = static_cast<std::int32_t>(end - b.start);
  if (ob > nodes_[static_cast<std::size_t>(b.node)].len) {
    // Inside a break: move past it (the last paragraph has none, so there is a next one).
    b = LocateChar(static_cast<CharPos>(b.start + nodes_[static_cast<std::size_t>(b.node)].len + 2));
    ob = 0;
  }
  const String prefix(TextOf(a.node).substr(0, static_cast<std::size_t>(oa)));
  const String suffix(TextOf(b.node).substr(static_cast<std::size_t>(ob)));
  finger_ = Locus();  // the tree changes shape
  std::int32_t left, rest, middle, right;
  Split(root_, a.index, left, rest);
  Split(rest, b.index - a.index + 1, middle, right);
  FreeTree(middle);
  // The new paragraphs: the prefix joins the first piece of the text, the suffix the last.
  std::vector<std::int32_t> ids;
  String piece;
  std::size_t from = 0;
  for (;;) {
    const char16_t* nl = FindUnit(text.data() + from, text.data() + text.size(), u'\n');
    const auto at = static_cast<std::size_t>(nl - text.data());
    const bool last = at == text.size();
    const std::size_t stop = last ? at : at - 1;
    piece.clear();
    if (ids.empty()) piece = prefix;
    piece.append(text.substr(from, stop - from));
    if (last) piece.append(suffix);
    ids.push_back(NewNode(piece, true, 0));
    if (last) break;
    from = at + 1;
  }
  root_ = Merge(Merge(left, Build(ids, 0, ids.size())), right);
}

void Document::RelayoutTree(std::int32_t t) {
  if (t < 0) return;
  RelayoutTree(nodes_[static_cast<std::size_t>(t)].left);
  RelayoutTree(nodes_[static_cast<std::size_t>(t)].right);
  breaker_.Wrap(TextOf(t), scratchWraps_);
  SetWraps(t, scratchWraps_);
  Pull(t);
}

void Document::Relayout() {
  finger_ = Locus();  // line numbers move
  RelayoutTree(root_);
}

std::size_t Document::MemoryUse() const {
  std::size_t bytes = sizeof(*this) + base_.capacity() * sizeof(char16_t);
  bytes += nodes_.capacity() * sizeof(Node) + bodies_.capacity() * sizeof(Body);
  bytes += (freeNodes_.capacity() + freeOwned_.capacity() + freeWraps_.capacity()) * sizeof(std::int32_t);
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
    const std::int64_t own = std::int64_t(n.len) + 2;
    if (target < base + own || n.right < 0) {
      node_ = x;
      skip_ = static_cast<std::int32_t>(target - base);
      return;
    }
    base += own;
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
    const Body& b = doc_.bodies_[static_cast<std::size_t>(node_)];
    if (phase_ == 0) {
      phase_ = 1;
      if (skip_ >= n.len) {
        skip_ -= n.len;
        continue;
      }
      const StringView text = doc_.TextOf(node_);
      piece = {text.data() + skip_, n.len - skip_, b.owned < 0};
      skip_ = 0;
      return true;
    }
    if (phase_ == 1) {
      phase_ = 2;
      const bool last = n.right < 0 && stack_.empty();
      if (last || skip_ >= 2) continue;
      // An unedited paragraph that was not the last of the assigned text is followed by
      // its break right there in the base text.
      const std::size_t after = std::size_t(b.offset) + std::size_t(n.len);
      if (b.owned < 0 && after + 2 <= doc_.base_.size()) {
        piece = {doc_.base_.data() + after + skip_, 2 - skip_, true};
      } else {
        piece = {kBreak + skip_, 2 - skip_, false};
      }
      skip_ = 0;
      return true;
    }
    const std::int32_t right = n.right;
    const bool wholeRun = right >= 0 && doc_.nodes_[static_cast<std::size_t>(right)].subBase != kScattered;
    if (!wholeRun) Descend(right);
    if (stack_.empty()) {
      node_ = -1;
    } else {
      node_ = stack_.back();
      stack_.pop_back();
    }
    phase_ = 0;
    if (wholeRun) {
      // An unedited stretch of the loaded text: all of it at once, without visiting it.
      const Node& k = doc_.nodes_[static_cast<std::size_t>(right)];
      piece = {doc_.base_.data() + k.subBase, static_cast<std::int32_t>(k.subChars), true};
      return true;
    }
  }
  return false;
}

bool Document::Runs::Next(StringView& run, CharPos& runStart) {
  Piece p;
  if (hasPending_) {
    p = pending_;
    hasPending_ = false;
  } else if (!NextPiece(p)) {
    return false;
  }
  if (p.inBase) {
    Piece q;
    while (p.size < kMaxRun && NextPiece(q)) {
      if (q.inBase && p.data + p.size == q.data) {
        p.size += q.size;
      } else {
        pending_ = q;
        hasPending_ = true;
        break;
      }
    }
  }
  // A stretch that holds the last paragraph also holds the break after it in the loaded
  // text, which the document does not have.
  p.size = static_cast<std::int32_t>(std::min<std::int64_t>(p.size, std::int64_t(doc_.Length()) - pos_));
  run = StringView(p.data, static_cast<std::size_t>(p.size));
  runStart = pos_;
  pos_ += p.size;
  return true;
}

// ---- Breaks ----------------------------------------------------------------------------

bool HasOnlyPairedBreaks(StringView text) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] == u'\r') {
      if (i + 1 >= n || text[i + 1] != u'\n') return false;
      ++i;
    } else if (text[i] == u'\n') {
      return false;
    }
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
