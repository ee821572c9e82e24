#pragma once
// The document control: the text, the caret and selection, the laid-out lines, and what a
// text box does with the keys the editor lets through. One implementation serves the headless
// driver and the Qt view alike, so the lines the user sees are the lines the commands count.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/keys.hh"
#include "platform/measure.hh"
#include "text/break_forms.hh"
#include "text/font.hh"
#include "text/shared_text.hh"
#include "text/ustring.hh"

namespace quilmar {

class Document;  // the text and its layout (text/document.hh)
class UndoStack; // edit history (text/undo.hh)

// Options of Find.
namespace find {
inline constexpr int None = 0;
inline constexpr int MatchCase = 4;
inline constexpr int NoHighlight = 8;  // find without selecting the match
}  // namespace find

// What a view needs to hear to repaint; the editor's own handlers use Change and SelChange.
class ModelObserver {
 public:
  virtual ~ModelObserver() = default;
  virtual void TextChanged() {}       // content changed (also re-laid out)
  virtual void LayoutChanged() {}     // line breaks moved without a content change
  virtual void SelectionChanged() {}  // caret or selection moved
  // What an edit did, before its TextChanged, for listeners that report edits (the window's
  // accessibility): the text at `start` that was `removed` is now `inserted`. Undo and redo
  // report each edit they replay. A whole new text (a load, SetText) is TextReplaced instead,
  // with no copy of the old one kept for it.
  virtual void TextEdited(CharPos /*start*/, const SharedText& /*removed*/, const SharedText& /*inserted*/) {}
  virtual void TextReplaced() {}
};

// One laid-out line, for painting: where it starts and how many characters it shows
// (its line break excluded).
struct LineSpan {
  CharPos start = 0;
  CharPos length = 0;
};

class TextModel {
 public:
  explicit TextModel(Measure& measure);
  ~TextModel();
  TextModel(const TextModel&) = delete;
  TextModel& operator=(const TextModel&) = delete;

  // --- Content -------------------------------------------------------------------------
  // The whole text with "\r\n" breaks. Copies: for saving and printing, not for queries.
  String Text() const;
  // Replaces all of it; raises Change and SelChange. Lone "\r" or "\n" become "\r\n".
  void SetText(StringView text);
  // Replaces all of it as a file load does: no Change, the caret at 0, history cleared.
  // `forms`: the file forms of its breaks, kept through edits for the next save.
  void LoadText(String text, BreakRuns forms = {});
  CharPos Length() const;
  char16_t CharAt(CharPos pos) const;          // pos in [0, Length())
  String Slice(CharPos start, CharPos length) const;
  // The same characters without a copy where the text holds them in one piece.
  SharedText Share(CharPos start, CharPos length) const;
  // All of the text as views of its storage, valid until the next edit; no piece ends inside
  // a "\r\n" or a surrogate pair.
  std::vector<StringView> Pieces() const;
  // The file forms of all the breaks, in order (see text/break_forms.hh).
  BreakRuns BreakForms() const;

  // --- Selection -----------------------------------------------------------------------
  CharPos SelStart() const;
  CharPos SelLength() const;
  String SelText() const;
  // Moves the caret, removing any selection; clamped to [0, Length()], never inside "\r\n"
  // or a surrogate pair (such a position moves forward past the pair). Raises SelChange.
  void SetSelStart(CharPos pos);
  // Selects that many characters from SelStart (fewer if the text ends first). Raises SelChange.
  void SetSelLength(CharPos length);
  // Replaces the selection (or inserts at the caret); the caret ends after the new text.
  // Works while Locked. Raises Change and SelChange.
  void SetSelText(StringView text);
  // The same, keeping a big text without copying it.
  void SetSelText(SharedText text);
  // The caret end of the selection (differs from SelStart after Shift+Left, say).
  CharPos CaretPos() const;
  CharPos AnchorPos() const;
  // Sets anchor and caret at once, as a mouse drag does. Raises SelChange.
  void Select(CharPos anchor, CharPos caret);

  bool Locked() const;
  void SetLocked(bool locked);

  // --- Line geometry (laid-out lines; see the four queries' -1 conventions) -------------
  // Start of a line; -1 for a line not below GetLineCount(); line -1: the caret's line.
  std::int32_t LineIndex(std::int32_t line) const;
  // Length (break excluded) of the line holding pos; 0 past the end of the text; pos -1:
  // the unselected characters on the lines that hold the selection.
  std::int32_t LineLength(std::int32_t pos) const;
  // Line holding pos (a break belongs to the line it ends; past the end: the last line);
  // pos -1: the line of the selection's start. Other negative positions count as 0.
  std::int32_t LineFromChar(std::int32_t pos) const;
  std::int32_t GetLineCount() const;  // never less than 1
  LineSpan Line(LineNo line) const;  // line in [0, GetLineCount())

  // --- Search --------------------------------------------------------------------------
  // First occurrence of `what` lying wholly in [start, end) (end -1: the end of the text);
  // -1 when there is none or when start is past the end. Selects the match unless NoHighlight.
  // Without MatchCase letters compare by Unicode simple case folding. Never copies the text.
  // An empty `what` is found at start when start is not past the range's end (a hit of
  // length 0); a negative start counts as 0.
  CharPos Find(StringView what, CharPos start, CharPos end = -1, int options = find::None);

  // --- Formatting ----------------------------------------------------------------------
  const FontSpec& Font() const;
  void SetFont(const FontSpec& font);           // restyles and re-lays out; no Change
  double RightMargin() const;                   // in cells; 0 = wrap at the visible width
  void SetRightMargin(double cells);            // re-lays out; no Change
  // Custom tab stops in cells (document-wide). Empty: default stops every 8 cells.
  const std::vector<double>& TabStops() const;
  void SetSelTabCount(int count);
  void SetSelTabs(int index, double cells);
  // The x position (in measure units, from the line's start) of the tab stop after x.
  double NextTabStop(double x) const;
  // The measure changed (window resized, font metrics changed): lay the text out again.
  void Relayout();

  // --- Keys the control handles itself --------------------------------------------------
  // A key that reached the control after the editor's handler (typing, Enter, Tab,
  // Backspace, Delete, arrows, Home/End, Page Up/Down, Ctrl+A/C/X/V/Z/Y, word moves and
  // deletes, Shift extending). Honours Locked: navigation and copying still work.
  void KeyDown(const KeyEvent& key);
  // Text committed by an input method: typed as if by keys; ignored while Locked.
  void CommitText(StringView text);
  // The clipboard the control copies to and pastes from (set once by its owner).
  void SetClipboard(std::function<String()> get, std::function<void(const String&)> set);

  bool CanUndo() const;
  bool CanRedo() const;
  void Undo();
  void Redo();
  // Edits between Begin and End undo as one step (a substitution, say).
  void BeginUndoGroup();
  void EndUndoGroup();

  // Where an event began, to put the text back there if the event fails half-way: the edits
  // made since are undone and left out of the history.
  class Checkpoint {
    friend class TextModel;
    std::size_t steps = 0, editsInLast = 0, generation = 0;
    int groupDepth = 0;
  };
  Checkpoint MakeCheckpoint() const;
  void RollBack(const Checkpoint& checkpoint);

  // --- Events --------------------------------------------------------------------------
  std::function<void()> Change;     // after every content change by the user or the program
  std::function<void()> SelChange;  // after every caret or selection move
  std::function<void()> LayoutChange;  // the line breaks may have moved (font, margin, width, tabs)
  // After each edit of the content (typing, commands, undo and redo, SetText; not a load),
  // before its Change: [start, start+removed) of the text became `inserted`, whose breaks take
  // `forms`. Replaying these on the text as it stood gives the text as it stands (a log of edits).
  std::function<void(CharPos start, CharPos removed, const SharedText& inserted, const BreakRuns& forms)> Edited;
  // Observing does not change the text, so a view holding it read-only may listen.
  void SetObserver(ModelObserver* observer) const;

  Measure& GetMeasure() const;

 private:
  struct Impl;
  friend struct TextModelOps;  // the edit and selection primitives (text_model.cc)
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilmar
