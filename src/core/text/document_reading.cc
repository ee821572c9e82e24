// Reading the document: slices, pieces, shared texts, and runs of text from a position.
#include <algorithm>
#include <cassert>
#include <utility>

#include "text/document_parts.hh"

namespace quilmar {

using namespace document_parts;

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

}  // namespace quilmar
