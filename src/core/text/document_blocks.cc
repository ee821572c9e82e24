// Document's blocks: building them from a text, laying them out, and laying out again.
#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>

#include "text/document_parts.hh"
#include "text/unit_scan.hh"
#include "text/vector_state.hh"

namespace quilmar {

using namespace document_parts;

// ---- Blocks ----------------------------------------------------------------------------

std::optional<std::vector<Document::Block>> Document::MakeBlocks(const SharedText& text, const BreakRuns& forms, bool layOut) const {
  // One scan for the line feeds. A block ends before the paragraph that would take it past
  // kBlockUnits, so a block is at most kBlockUnits or one paragraph long; a paragraph longer
  // than a document holds refuses the whole text.
  ClearVectorUpperHalves();  // for the scan's SSE loop
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
    if (layOut) LayOutBlock(k, std::span<const ParaRange>(&whole, 1));
    else StartLayout(k);
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
  k.laidTo = k.Paragraphs();  // the layout kept for a way back is whole too
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
  std::size_t measured = 0;              // k.measured up to the paragraph being laid out
  std::vector<Block::Measured> added;   // paragraphs measured for the first time, in order
  bool counted = false;  // lineStarts is kept from the first paragraph of several lines on
  std::int32_t lines = 0;
  auto next = shown.begin();
  try {
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
    k.Wrap(breaker_, p, scratchWraps_, measured, added);
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
  } catch (...) {
    // The block keeps the layout it had; the one half made is not kept for a way back.
    std::swap(kept.setting, k.setting);
    std::swap(kept.shown, k.shown);
    std::swap(kept.lineStarts, k.lineStarts);
    std::swap(kept.wraps, k.wraps);
    std::swap(kept.whole, k.whole);
    kept = Block::Layout();
    throw;
  }
  if (counted) k.lineStarts.push_back(lines);
  k.AddMeasured(std::move(added));
}

void Document::Block::Wrap(const LineBreaker& breaker, std::int32_t p, WrapList& out, std::size_t& cursor,
                           std::vector<Measured>& added) {
  // The block's text stays as it is while the block lives: what wrapping measures of a
  // paragraph of it is kept with the block, by paragraph, for the next width.
  ParagraphPieces* kept = nullptr;
  ParagraphPieces fresh;
  if (!view.IsNarrow()) {
    while (cursor < measured.size() && measured[cursor].para < p) ++cursor;
    kept = cursor < measured.size() && measured[cursor].para == p ? &measured[cursor].pieces : &fresh;
  }
  breaker.Wrap(Para(p), out, kept);
  if (kept == &fresh && fresh.generation != 0) added.push_back({p, std::move(fresh)});
}

void Document::Block::AddMeasured(std::vector<Measured> added) {
  if (added.empty()) return;
  if (measured.empty() || measured.back().para < added.front().para) {
    measured.insert(measured.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    return;
  }
  std::vector<Measured> all;
  all.reserve(measured.size() + added.size());
  std::merge(std::make_move_iterator(measured.begin()), std::make_move_iterator(measured.end()),
             std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()), std::back_inserter(all),
             [](const Measured& a, const Measured& b) { return a.para < b.para; });
  measured = std::move(all);
}

// ---- A layout in slices ------------------------------------------------------------------

void Document::StartLayout(Block& k) const {
  k.setting = breaker_.CurrentSetting();
  k.shown.assign(1, ParaRange{0, k.Paragraphs()});
  k.whole = true;
  k.kept = Block::Layout();
  k.lineStarts.clear();
  k.wraps.clear();
  k.laidTo = 0;
}

void Document::LayOutPart(Block& k, std::int64_t& units, bool keepOld) const {
  // As LayOutBlock does for a whole block, one paragraph after another; each paragraph's
  // wraps and line count are added whole, so a failure leaves a layout that stops before it.
  const std::int32_t n = k.Paragraphs();
  std::int32_t lines = k.LinesBefore(k.laidTo);
  auto measured = static_cast<std::size_t>(
      std::lower_bound(k.measured.begin(), k.measured.end(), k.laidTo,
                       [](const Block::Measured& m, std::int32_t p) { return m.para < p; }) -
      k.measured.begin());
  std::vector<Block::Measured> added;
  while (k.laidTo < n && units > 0) {
    const std::int32_t p = k.laidTo;
    k.Wrap(breaker_, p, scratchWraps_, measured, added);
    if (!scratchWraps_.empty() && k.lineStarts.empty()) {
      // Until here each paragraph was one line.
      k.lineStarts.reserve(static_cast<std::size_t>(n) + 1);
      for (std::int32_t q = 0; q <= p; ++q) k.lineStarts.push_back(q);
    }
    if (!k.lineStarts.empty()) {
      if (keepOld && k.wraps.size() + scratchWraps_.size() > k.wraps.capacity()) {
        // Grown by hand, so that the old storage outlives the paragraphs handed out from it.
        std::vector<std::int32_t> grown;
        grown.reserve(std::max(2 * k.wraps.capacity(), k.wraps.size() + scratchWraps_.size()));
        grown.assign(k.wraps.begin(), k.wraps.end());
        retired_.push_back(std::exchange(k.wraps, std::move(grown)));
      }
      k.wraps.insert(k.wraps.end(), scratchWraps_.begin(), scratchWraps_.end());
      k.lineStarts.push_back(lines + 1 + static_cast<std::int32_t>(scratchWraps_.size()));
    }
    lines += 1 + static_cast<std::int32_t>(scratchWraps_.size());
    k.laidTo = p + 1;
    units -= k.Start(p + 1) - k.Start(p);
  }
  k.AddMeasured(std::move(added));
}

void Document::Advance(std::int64_t units, bool keepOld) {
  while (pending_.next < pending_.blocks.size()) {
    Block& k = blocks_[pending_.blocks[pending_.next]];
    if (units > 0) LayOutPart(k, units, keepOld);
    const std::int32_t n = k.Paragraphs();
    if (k.laidTo < n) break;
    pending_.paras += n;
    pending_.chars += k.Start(n);
    pending_.lines += k.LinesBefore(n);
    ++pending_.next;
  }
  if (pending_.next == pending_.blocks.size()) pending_ = Pending();
  Remeasure(root_);
}

void Document::Remeasure(NodeId t) {
  // A pending layout's tree has a node for each of its blocks, and nothing else.
  if (!t) return;
  Remeasure(nodes_[t].left);
  Remeasure(nodes_[t].right);
  Measure(t);
  Pull(t);
}

Document::Extent Document::LaidOut() const {
  Extent e{pending_.paras, pending_.chars, pending_.lines};
  if (pending_.next < pending_.blocks.size()) {
    const Block& k = blocks_[pending_.blocks[pending_.next]];
    e.paras += k.laidTo;
    e.chars += k.Start(k.laidTo);
    e.lines += k.LinesBefore(k.laidTo);
  }
  return e;
}

bool Document::LayOutMore(std::int64_t units) {
  retired_.clear();
  if (LayoutPending()) Advance(units > 0 ? units : std::numeric_limits<std::int64_t>::max());
  return !LayoutPending();
}

void Document::Settle() const {
  // The layout is the document's own cache of where its lines go: finishing it changes no
  // answer already given. A document is never made const, so this is the object itself.
  if (LayoutPending()) const_cast<Document*>(this)->Advance(std::numeric_limits<std::int64_t>::max(), true);
}

bool Document::HasLine(LineNo line) const {
  if (line < 0) return false;
  if (LayoutPending() && line.value() < LaidOut().lines) return true;
  return line < LineCount();
}

LineNo Document::ClampLine(LineNo line) const {
  if (line <= 0) return 0;
  if (LayoutPending() && line.value() < LaidOut().lines) return line;
  return std::min(line, LineCount() - 1);
}

void Document::ReleaseBlock(BlockId b) {
  blocks_.Remove(b);
  if (lastBlock_ == b) lastBlock_ = BlockId();
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
  retired_.clear();
  if (LayoutPending()) {
    // Only the first screen had to be laid out: it is laid out again, the rest later.
    for (const BlockId b : pending_.blocks) StartLayout(blocks_[b]);
    pending_ = Pending{std::move(pending_.blocks)};
    Advance(kFirstLayout);
    return;
  }
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
    bytes += k.measured.capacity() * sizeof(Block::Measured);
    for (const Block::Measured& m : k.measured) bytes += m.pieces.Bytes();
  });
  owned_.ForEach([&](OwnedId, const String& s) {
    if (s.capacity() > String().capacity()) bytes += (s.capacity() + 1) * sizeof(char16_t);
  });
  wrapLists_.ForEach([&](WrapsId, const WrapList& w) { bytes += w.capacity() * sizeof(std::int32_t); });
  for (const auto& w : retired_) bytes += w.capacity() * sizeof(std::int32_t);
  if (editedTail_.pieces) bytes += editedTail_.pieces->Bytes();
  return bytes;
}

}  // namespace quilmar
