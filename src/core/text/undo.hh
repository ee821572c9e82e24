#pragma once
// Edit history of the document control: steps of reversible edits, with typing merged.
#include <cstddef>
#include <optional>
#include <vector>

#include "text/break_forms.hh"
#include "text/shared_text.hh"
#include "text/ustring.hh"

namespace quilmar {

// One reversible edit: at `pos`, `removed` was replaced by `inserted`, with the selection
// (anchor, caret) before and after. The texts share the document's storage where they can,
// so a big paste or substitution is not held twice.
struct EditRecord {
  CharPos pos = 0;
  SharedText removed;
  BreakRuns removedForms;  // the file forms of the removed breaks, put back by an undo
  SharedText inserted;
  CharPos anchorBefore = 0, caretBefore = 0;
  CharPos anchorAfter = 0, caretAfter = 0;
};

// What made an edit; runs of the same kind at adjacent places merge into one step.
enum class EditKind { Typing, Backspace, Delete, Other };

class UndoStack {
 public:
  // Adds an edit, merged into the last step when it continues a run of typing (or of
  // Backspace, or of Delete) at the place the run left off. Forgets what could be redone.
  void Record(EditRecord edit, EditKind kind);
  // The caret jumped or something else happened: the next edit starts a new step.
  void CloseStep() { open_ = false; }

  // Edits between the two undo as one step; nests.
  void BeginGroup();
  void EndGroup();

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // The step to undo (apply its edits backwards) or redo (forwards); moves it across.
  const std::vector<EditRecord>* TakeUndo();
  const std::vector<EditRecord>* TakeRedo();
  void Clear();

  // A point in the history to fall back to when an event fails half-way: the steps, and how
  // far the last edit reached, since typing after the mark may merge into it.
  struct Mark {
    std::size_t steps = 0;
    std::size_t editsInLast = 0;
    std::size_t generation = 0;
    int groupDepth = 0;
    bool open = false;
    // The last edit as it stood (its texts' sizes, place, caret after it, and the forms of
    // its removed breaks while a run of Backspace or Delete may still grow them).
    std::size_t lastInserted = 0, lastRemoved = 0;
    CharPos lastPos = 0, lastAnchorAfter = 0, lastCaretAfter = 0;
    BreakRuns lastForms;
  };
  Mark MakeMark() const;
  // The edits recorded since the mark, oldest first, taken out of the history (which then
  // ends where it stood at the mark, the last edit cut back to what it held then). Nothing
  // when the history was cleared meanwhile.
  std::vector<EditRecord> TakeSince(const Mark& mark);
  // Gives back a step just taken by TakeUndo (or TakeRedo) whose replay failed.
  void PutBackUndo();
  void PutBackRedo();

 private:
  struct Step {
    std::vector<EditRecord> edits;
    EditKind kind = EditKind::Other;
  };
  bool Merge(EditRecord& edit, EditKind kind);
  // What merged into `last` since the mark, as an edit of its own; `last` goes back to the mark.
  static std::optional<EditRecord> SplitGrowth(EditRecord& last, const Mark& mark);

  std::vector<Step> undo_;
  std::vector<Step> redo_;
  bool open_ = false;   // the last step may still grow
  int groupDepth_ = 0;
  bool groupStarted_ = false;
  std::size_t generation_ = 0;  // counts Clear()
};

}  // namespace quilmar
