#include "text/undo.hh"

#include <utility>

namespace quilmar {

bool UndoStack::Merge(EditRecord& edit, EditKind kind) {
  if (!open_ || undo_.empty() || undo_.back().kind != kind || kind == EditKind::Other) return false;
  EditRecord& last = undo_.back().edits.back();
  switch (kind) {
    case EditKind::Typing:
      // Typed text that replaced a selection starts its own step.
      if (!edit.removed.empty() || edit.pos != last.pos + CharPos(last.inserted.size())) return false;
      last.inserted.Append(edit.inserted.View());
      break;
    case EditKind::Backspace:
      if (!edit.inserted.empty() || !last.inserted.empty() ||
          edit.pos + CharPos(edit.removed.size()) != last.pos) return false;
      if (!last.removedForms.empty() || !edit.removedForms.empty()) {
        BreakRuns forms = std::move(edit.removedForms);
        AppendRuns(forms, last.removedForms, BreakCount(edit.removed.View()));
        last.removedForms = std::move(forms);
      }
      last.removed.Prepend(edit.removed.View());
      last.pos = edit.pos;
      break;
    case EditKind::Delete:
      if (!edit.inserted.empty() || !last.inserted.empty() || edit.pos != last.pos) return false;
      if (!last.removedForms.empty() || !edit.removedForms.empty())
        AppendRuns(last.removedForms, edit.removedForms, BreakCount(last.removed.View()));
      last.removed.Append(edit.removed.View());
      break;
    case EditKind::Other:
      return false;
  }
  last.anchorAfter = edit.anchorAfter;
  last.caretAfter = edit.caretAfter;
  return true;
}

void UndoStack::Record(EditRecord edit, EditKind kind) {
  redo_.clear();
  if (groupDepth_ > 0) {
    if (!groupStarted_) {
      undo_.push_back(Step{{}, EditKind::Other});
      groupStarted_ = true;
    }
    undo_.back().edits.push_back(std::move(edit));
    open_ = false;
    return;
  }
  if (!Merge(edit, kind)) undo_.push_back(Step{{std::move(edit)}, kind});
  open_ = kind != EditKind::Other;
}

void UndoStack::BeginGroup() {
  if (groupDepth_++ == 0) groupStarted_ = false;
  open_ = false;
}

void UndoStack::EndGroup() {
  if (groupDepth_ > 0) --groupDepth_;
  open_ = false;
}

const std::vector<EditRecord>* UndoStack::TakeUndo() {
  if (undo_.empty()) return nullptr;
  groupStarted_ = false;  // an open group goes on in a step of its own
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
  open_ = false;
  return &redo_.back().edits;
}

const std::vector<EditRecord>* UndoStack::TakeRedo() {
  if (redo_.empty()) return nullptr;
  groupStarted_ = false;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
  open_ = false;
  return &undo_.back().edits;
}

void UndoStack::Clear() {
  ++generation_;
  groupStarted_ = false;
  undo_.clear();
  redo_.clear();
  open_ = false;
}

UndoStack::Mark UndoStack::MakeMark() const {
  Mark mark;
  mark.steps = undo_.size();
  mark.editsInLast = undo_.empty() ? 0 : undo_.back().edits.size();
  mark.generation = generation_;
  mark.groupDepth = groupDepth_;
  mark.open = open_;
  if (!undo_.empty()) {
    const Step& step = undo_.back();
    const EditRecord& last = step.edits.back();
    mark.lastInserted = last.inserted.size();
    mark.lastRemoved = last.removed.size();
    mark.lastPos = last.pos;
    mark.lastAnchorAfter = last.anchorAfter;
    mark.lastCaretAfter = last.caretAfter;
    // Only an open run of deletions adds breaks to its last edit.
    if (open_ && (step.kind == EditKind::Backspace || step.kind == EditKind::Delete)) mark.lastForms = last.removedForms;
  }
  return mark;
}

std::optional<EditRecord> UndoStack::SplitGrowth(EditRecord& last, const Mark& mark) {
  EditRecord grown;
  grown.anchorBefore = mark.lastAnchorAfter;
  grown.caretBefore = mark.lastCaretAfter;
  grown.anchorAfter = last.anchorAfter;
  grown.caretAfter = last.caretAfter;
  if (last.inserted.size() > mark.lastInserted) {
    // Typing appended to what the edit inserted.
    grown.pos = last.pos + CharPos(mark.lastInserted);
    grown.inserted = last.inserted.Sub(mark.lastInserted, last.inserted.size() - mark.lastInserted);
    last.inserted = last.inserted.Sub(0, mark.lastInserted);
  } else if (last.removed.size() > mark.lastRemoved) {
    // Backspace prepends to what the edit removed (and moves its start back); Delete appends.
    const std::size_t more = last.removed.size() - mark.lastRemoved;
    const bool before = last.pos != mark.lastPos;
    grown.pos = last.pos;
    grown.removed = last.removed.Sub(before ? 0 : mark.lastRemoved, more);
    const std::int64_t first = before ? 0 : BreakCount(last.removed.Sub(0, mark.lastRemoved).View());
    const std::int64_t breaks = BreakCount(grown.removed.View());
    if (!last.removedForms.empty())
      for (std::int64_t i = 0; i < breaks; ++i) AddRun(grown.removedForms, i, FormAt(last.removedForms, first + i));
    last.removed = before ? last.removed.Sub(more, mark.lastRemoved) : last.removed.Sub(0, mark.lastRemoved);
    last.removedForms = mark.lastForms;
    last.pos = mark.lastPos;
  } else {
    return std::nullopt;
  }
  last.anchorAfter = mark.lastAnchorAfter;
  last.caretAfter = mark.lastCaretAfter;
  return grown;
}

std::vector<EditRecord> UndoStack::TakeSince(const Mark& mark) {
  std::vector<EditRecord> taken;
  if (mark.generation != generation_ || undo_.size() < mark.steps) return taken;
  if (mark.steps > 0 && mark.editsInLast > 0 && undo_[mark.steps - 1].edits.size() >= mark.editsInLast) {
    auto& edits = undo_[mark.steps - 1].edits;
    // The edit that was last at the mark may have grown by merged typing or deletions, and
    // the step may have grown by whole edits (a group going on).
    if (auto grown = SplitGrowth(edits[mark.editsInLast - 1], mark)) taken.push_back(std::move(*grown));
    for (std::size_t i = mark.editsInLast; i < edits.size(); ++i) taken.push_back(std::move(edits[i]));
    edits.resize(mark.editsInLast);
  }
  for (std::size_t s = mark.steps; s < undo_.size(); ++s)
    for (EditRecord& e : undo_[s].edits) taken.push_back(std::move(e));
  undo_.resize(mark.steps);
  groupDepth_ = mark.groupDepth;
  groupStarted_ = false;
  open_ = mark.open;
  return taken;
}

void UndoStack::PutBackUndo() {
  if (redo_.empty()) return;
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
}

void UndoStack::PutBackRedo() {
  if (undo_.empty()) return;
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
}

}  // namespace quilmar
