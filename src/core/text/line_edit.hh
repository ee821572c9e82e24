#pragma once
// A one-line text box: its text, caret and selection, an undo history, and the keys such a box
// handles itself (typing, deleting, moving and selecting by character and word, the clipboard,
// undo). The command box is one; every front end shows this model and nothing else, so a key
// script edits the box the same way with and without a window.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/keys.hh"
#include "text/undo.hh"
#include "text/ustring.hh"

namespace quilmar {

// What a view of the box needs to hear to repaint.
class LineEditObserver {
 public:
  virtual ~LineEditObserver() = default;
  virtual void LineEditChanged() = 0;  // text, caret or selection changed
};

class LineEdit {
 public:
  // --- Content ---------------------------------------------------------------------------
  const String& Text() const { return text_; }
  // An assignment: the box holds this text (line breaks and other control characters
  // dropped), the caret after it, nothing selected, and its history starts afresh.
  void SetText(StringView text);

  // --- Caret and selection (0-based positions in UTF-16 units) ---------------------------
  // The caret, or the start of the selection when there is one.
  std::int32_t SelStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  std::int32_t SelLength() const { return caret_ < anchor_ ? anchor_ - caret_ : caret_ - anchor_; }
  std::int32_t CaretPos() const { return caret_; }
  std::int32_t AnchorPos() const { return anchor_; }
  String SelText() const;
  // Moves the caret there (clamped, never inside a character) and removes the selection.
  void SetSelStart(std::int32_t pos);
  // Selects from anchor to caret, as a mouse drag does.
  void Select(std::int32_t anchor, std::int32_t caret);
  // Replaces the selection (or inserts at the caret) as a paste does: one step of history.
  void SetSelText(StringView text);

  // --- Keys --------------------------------------------------------------------------------
  // A key that reached the box after the editor's handler for it.
  void KeyDown(const KeyEvent& key);
  // The clipboard the box copies to and pastes from (set once by its owner).
  void SetClipboard(std::function<String()> get, std::function<void(const String&)> set);

  bool CanUndo() const { return undo_.CanUndo(); }
  bool CanRedo() const { return undo_.CanRedo(); }
  void Undo();
  void Redo();

  // Observing does not change the box, so a view holding it read-only may listen.
  // The box has one observer: the view that shows it.
  void AddObserver(LineEditObserver* observer) const { observer_ = observer; }
  void RemoveObserver(LineEditObserver* observer) const {
    if (observer_ == observer) observer_ = nullptr;
  }

 private:
  void Replace(std::int32_t from, std::int32_t to, StringView text, EditKind kind);
  void Move(std::int32_t anchor, std::int32_t caret);
  void Replay(const std::vector<EditRecord>* edits, bool backwards);
  void Notify() const;
  std::int32_t Size() const { return static_cast<std::int32_t>(text_.size()); }

  String text_;
  std::int32_t anchor_ = 0;
  std::int32_t caret_ = 0;
  UndoStack undo_;  // merges typing as the document's history does
  std::function<String()> clipboardGet_;
  std::function<void(const String&)> clipboardSet_;
  mutable LineEditObserver* observer_ = nullptr;
};

}  // namespace quilmar
