#include "text/document.hh"

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

#include "text/document_parts.hh"
#include "text/unit_scan.hh"

namespace quilmar {

using namespace document_parts;

Document::Document(const LineBreaker& breaker) : breaker_(breaker) { Assign(String()); }

Document::~Document() = default;

std::uint32_t Document::NextPriority() {
  // xorshift64*: priorities only need to look random to keep the treap balanced.
  seed_ ^= seed_ >> 12;
  seed_ ^= seed_ << 25;
  seed_ ^= seed_ >> 27;
  return static_cast<std::uint32_t>((seed_ * 0x2545F4914F6CDD1Dull) >> 32);
}

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
          // Line starts are kept only up to the paragraphs laid out so far.
          const std::int32_t last = U == Unit::Lines ? std::min(n.first + n.count, k.laidTo + 1) : n.first + n.count;
          at.para = static_cast<std::int32_t>(std::upper_bound(s + n.first + 1, s + last, s[n.first] + local) - s) - 1;
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
  if (LayoutPending() && target >= LaidOut().chars) Settle();
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
  if (LayoutPending() && line.value() >= LaidOut().lines) Settle();
  const LineNo target = std::clamp<LineNo>(line, 0, LinesSoFar() - 1);
  if (finger_.node && target >= finger_.firstLine &&
      target < finger_.firstLine + 1 + LineNo(ParaWraps(finger_.node, finger_.para).size())) {
    return finger_;
  }
  path_.clear();
  finger_ = Descend<Unit::Lines>(target.value(), &path_);
  return finger_;
}

Document::Locus Document::LocatePara(ParaNo index) const {
  if (LayoutPending() && index.value() >= LaidOut().paras) Settle();
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

bool Document::Assign(SharedText text, BreakRuns forms) {
  assert(HasOnlyPairedBreaks(text.View()));
  std::optional<std::vector<Block>> made = MakeBlocks(text, forms, false);
  if (!made) return false;
  // The first screen is laid out before anything changes: a failure leaves the document
  // as it was. The rest is laid out on demand (LayOutMore, Settle).
  std::int64_t units = kFirstLayout;
  for (Block& k : *made)
    if (units > 0) LayOutPart(k, units);
  text = SharedText();  // the blocks hold it
  retired_.clear();
  nodes_.Clear();
  blocks_.Clear();
  owned_.Clear();
  editedTail_ = EditedTail();
  editedReads_ = EditedReads();
  wrapLists_.Clear();
  lastBlock_ = BlockId();
  finger_ = Locus();
  path_.clear();
  // Each block is shown by one node until edits cut it.
  std::vector<NodeId> ids;
  pending_ = Pending{AddBlocks(std::move(*made))};
  for (const BlockId b : pending_.blocks) ids.push_back(NewRunNode(b, 0, blocks_[b].Paragraphs()));
  root_ = Build(ids, 0, ids.size());
  Advance(0);
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

LineNo Document::LinesSoFar() const { return nodes_[root_].subLines; }

LineNo Document::LineCount() const {
  Settle();
  return nodes_[root_].subLines;
}

namespace {

// From this many units an edited paragraph's text is kept with room to grow.
constexpr std::size_t kRoomyUnits = std::size_t{1} << 14;

// A copy of an edited paragraph's text. A long one gets a quarter more room: typing into a
// line of millions of characters copies it only now and then. (Huge pages for it were tried:
// they spared the first key its page faults only sometimes, and at other times the kernel's
// compaction for them made that key take 15 to 30 ms.)
String OwnedText(UnitSpan text, std::size_t more) {
  String out;
  const std::size_t size = text.size() + more;
  out.reserve(size < kRoomyUnits ? size : size + size / 4);
  text.AppendTo(out);
  return out;
}

}  // namespace

Document::Locus Document::OwnParagraph(const Locus& at) {
  // The paragraph leaves its run for a node of its own, with a copy of its text (two-byte
  // units, whatever its block holds) and wraps.
  String text = OwnedText(ParaText(at.node, at.para), 0);
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
  // A long paragraph its block measured for wrapping takes its pieces along: its text is
  // theirs but where it is edited. The block no longer shows it; a node that shows it
  // elsewhere (the same paste made twice) has it measured again when it is wrapped again.
  std::shared_ptr<const ParagraphPieces> pieces;
  if (text.size() >= kEditedTailUnits) {
    std::vector<Block::Measured>& measured = blocks_[block].measured;
    const auto it = std::lower_bound(measured.begin(), measured.end(), n.first,
                                     [](const Block::Measured& m, std::int32_t p) { return m.para < p; });
    if (it != measured.end() && it->para == n.first && breaker_.Current(it->pieces)) {
      pieces = std::make_shared<const ParagraphPieces>(std::move(it->pieces));
      it->pieces = ParagraphPieces();
    }
  }
  n.first = 0;
  n.owned = owned_.Add(std::move(text));  // (ten megabytes of a long line: not copied twice)
  if (pieces) editedTail_ = EditedTail{n.owned, std::move(pieces), 0, 0};
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
  const auto from = static_cast<std::size_t>(offset);
  // What the edit removes, to put back if the new text cannot be laid out.
  const String old = s.substr(from, static_cast<std::size_t>(removed));
  if (s.size() >= kRoomyUnits && s.size() - static_cast<std::size_t>(removed) + text.size() > s.capacity())
    s = OwnedText(UnitSpan(StringView(s)), text.size());
  if (text.IsNarrow()) {
    s.replace(from, static_cast<std::size_t>(removed), text.size(), u'\0');
    std::copy(text.NarrowData(), text.NarrowData() + text.size(), s.begin() + offset);
  } else {
    s.replace(from, static_cast<std::size_t>(removed), text.Wide());
  }
  // Past the edit (and the earlier ones) the text is still what the pieces measured.
  MeasuredTail tail;
  const bool known = editedTail_.pieces && editedTail_.owned == nodes_[x].owned;
  if (known) {
    const std::int32_t delta = static_cast<std::int32_t>(text.size()) - removed;
    tail = {editedTail_.pieces.get(), std::max(offset + removed, editedTail_.from) + delta, editedTail_.shift + delta};
  }
  try {
    if (!(editedReads_.owned == nodes_[x].owned)) editedReads_ = EditedReads{nodes_[x].owned, {}};
    breaker_.Rewrap(s, ParaWraps(x, 0), offset, removed, static_cast<std::int32_t>(text.size()), scratchWraps_, tail,
                    &editedReads_.reads);
  } catch (...) {
    // The paragraph keeps its text and its wraps, which still agree with the tree's sums
    // (owning it changed where the text lives, not what it is).
    s.replace(from, text.size(), old);
    throw;
  }
  if (known) {
    editedTail_.from = tail.from;
    editedTail_.shift = tail.shift;
  }
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
  BlockId block;
  try {
    block = NewBlock(SharedText::Narrow(std::move(bytes), size), std::move(forms));
  } catch (...) {
    lastBlock_ = pasted;
    throw;
  }
  lastBlock_ = pasted;
  finger_ = Locus();  // the tree changes shape
  NodeId left, rest, mid, right;
  Split(root_, at.index, left, rest);
  Split(rest, 1, mid, right);
  FreeTree(mid);
  root_ = Merge(Merge(left, NewRunNode(block, 0, 1)), right);
}

SharedText Document::Replace(CharPos start, CharPos length, SharedText text, const BreakRuns& forms) {
  LayOutMore(0);
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
  // Until the tree takes them the new nodes are the edit's alone: a failure to lay one out
  // frees them, and the document is as it was.
  const BlockId pasted = lastBlock_;
  try {
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
  } catch (...) {
    for (const NodeId x : ids) FreeNode(x);
    lastBlock_ = pasted;
    throw;
  }
  NodeId left, rest, middle, right;
  Split(root_, firstRemoved, left, rest);
  Split(rest, removedCount, middle, right);
  FreeTree(middle);
  root_ = Merge(Merge(left, Build(ids, 0, ids.size())), right);
  return kept;
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
