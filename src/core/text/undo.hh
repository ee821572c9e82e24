#pragma once
// Edit history of the document control: steps of reversible edits, with typing merged.
#include <cstddef>
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

  // A point in the history to fall back to when an event fails half-way.
  struct Mark {
    std::size_t steps = 0;
    std::size_t editsInLast = 0;
    std::size_t generation = 0;
    int groupDepth = 0;
  };
  Mark MakeMark() const;
  // The edits recorded since the mark, oldest first, taken out of the history (which then
  // ends where it stood at the mark). Nothing when the history was cleared meanwhile or when
  // edits only merged into a step that existed already.
  std::vector<EditRecord> TakeSince(const Mark& mark);

 private:
  struct Step {
    std::vector<EditRecord> edits;
    EditKind kind = EditKind::Other;
  };
  bool Merge(EditRecord& edit, EditKind kind);

  std::vector<Step> undo_;
  std::vector<Step> redo_;
  bool open_ = false;   // the last step may still grow
  int groupDepth_ = 0;
  bool groupStarted_ = false;
  std::size_t generation_ = 0;  // counts Clear()
};

}  // namespace quilmar
