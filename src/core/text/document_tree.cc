// Document's nodes and the treap that orders them.
#include <algorithm>
#include <cassert>
#include <utility>

#include "text/document_parts.hh"

namespace quilmar {

using namespace document_parts;

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
  try {
    breaker_.Wrap(owned_[n.owned], scratchWraps_);
  } catch (...) {
    FreeNode(x);
    throw;
  }
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
    if (editedTail_.owned == n.owned) editedTail_ = EditedTail();
    if (editedReads_.owned == n.owned) editedReads_ = EditedReads();
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

}  // namespace quilmar
