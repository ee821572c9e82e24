#pragma once
// The document control: the text, the caret and selection, the laid-out lines, and what a
// text box does with the keys the editor lets through. One implementation serves the headless
// driver and the Qt view alike, so the lines the user sees are the lines the commands count.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/keys.hh"
#include "platform/measure.hh"
#include "text/break_forms.hh"
#include "text/font.hh"
#include "text/shared_text.hh"
#include "text/undo.hh"
#include "text/ustring.hh"

namespace quilmar {

class Document;    // the text and its layout (text/document.hh)
class LineLayout;  // the shaped geometry of one laid-out line (text/line_layout.hh)

// Options of Find, combined with |.
enum class FindOptions : unsigned {
  None = 0,
  MatchCase = 4,
  NoHighlight = 8,  // find without selecting the match
};
constexpr FindOptions operator|(FindOptions a, FindOptions b) {
  return static_cast<FindOptions>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(FindOptions set, FindOptions option) {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(option)) != 0;
}

// The arguments the control's line queries take for "where the user is" rather than a place.
inline constexpr LineNo kCaretLine = -1;     // LineIndex: the line holding the caret
inline constexpr CharPos kSelectionPos = -1;  // LineLength, LineFromChar: the selection

// What made a change of the text: an edit (typing, commands, undo and redo, SetText), which
// leaves unsaved changes and goes to the log of edits, or a load, which does neither.
enum class TextCause { Edit, Load };

// What the views and the editor hear of the control: every change is told through this alone.
class ModelObserver {
 public:
  virtual ~ModelObserver() = default;
  virtual void TextChanged(TextCause /*cause*/) {}  // content changed (also re-laid out)
  virtual void LayoutChanged() {}     // the line breaks may have moved (font, margin, width, tabs)
  virtual void SelectionChanged() {}  // caret or selection moved
  // What an edit did, before its TextChanged: the text at `start` that was `removed` is now
  // `inserted`, whose breaks take the file forms `forms`. Undo and redo report each edit they
  // replay, so replaying these on the text as it stood gives the text as it stands (a log of
  // edits; the window's accessibility announces them).
  virtual void TextEdited(CharPos /*start*/, const SharedText& /*removed*/, const SharedText& /*inserted*/,
                          const BreakRuns& /*forms*/) {}
  // A whole new text, before its TextChanged: a load, or an assignment (SetText, an edit) of
  // the text that replaced `removed` units; no copy of the old text is kept for it.
  virtual void TextReplaced(TextCause /*cause*/, CharPos /*removed*/) {}
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
  // Replaces all of it; raises TextChanged and SelectionChanged. Lone "\r" or "\n" become "\r\n".
  void SetText(StringView text);
  // Replaces all of it as a file load does: a load's TextChanged, the caret at 0, history cleared.
  // `forms`: the file forms of its breaks, kept through edits for the next save. False, with
  // nothing changed, when a line is longer than a document holds (Document::kMaxParagraph).
  bool LoadText(String text, BreakRuns forms = {});
  // The same for a text with "\r\n" breaks only (as a file decodes), kept as it is stored.
  bool LoadText(SharedText text, BreakRuns forms = {});
  // Edits made as part of a load (the logged edits of a recovery record, on the file they were
  // made to): told as a load, no history, the caret at 0. Each text holds "\r\n" breaks only.
  struct LoadEdit {
    CharPos start, removed;
    SharedText text;
    BreakRuns forms;
  };
  void LoadEdits(std::span<const LoadEdit> edits);
  CharPos Length() const;
  char16_t CharAt(CharPos pos) const;          // pos in [0, Length())
  String Slice(CharPos start, CharPos length) const;
  // The same characters without a copy where the text holds them in one piece.
  SharedText Share(CharPos start, CharPos length) const;
  // All of the text as views of its storage, valid until the next edit; no piece ends inside
  // a "\r\n" or a surrogate pair.
  std::vector<UnitSpan> Pieces() const;
  // The file forms of all the breaks, in order (see text/break_forms.hh).
  BreakRuns BreakForms() const;

  // --- Selection -----------------------------------------------------------------------
  CharPos SelStart() const;
  CharPos SelLength() const;
  String SelText() const;
  // Moves the caret, removing any selection; clamped to [0, Length()], never inside "\r\n"
  // or a grapheme cluster (such a position moves forward past it). Tells SelectionChanged.
  void SetSelStart(CharPos pos);
  // Selects that many characters from SelStart (fewer if the text ends first). Tells SelectionChanged.
  void SetSelLength(CharPos length);
  // Replaces the selection (or inserts at the caret); the caret ends after the new text.
  // Works while Locked. Tells TextChanged and SelectionChanged.
  void SetSelText(StringView text);
  // The same, keeping a big text without copying it.
  void SetSelText(SharedText text);
  // The caret end of the selection (differs from SelStart after Shift+Left, say).
  CharPos CaretPos() const;
  CharPos AnchorPos() const;
  // Sets anchor and caret at once, as a mouse drag does; a selection grows to whole
  // clusters at both ends (a caret alone moves forward, as SetSelStart). Tells SelectionChanged.
  void Select(CharPos anchor, CharPos caret);

  bool Locked() const;
  void SetLocked(bool locked);

  // --- Line geometry (laid-out lines) ---------------------------------------------------
  // Start of a line; nothing for a line not below GetLineCount(); kCaretLine: the caret's.
  std::optional<CharPos> LineIndex(LineNo line) const;
  // Length (break excluded) of the line holding pos; 0 past the end of the text;
  // kSelectionPos: the unselected characters on the lines that hold the selection.
  CharPos LineLength(CharPos pos) const;
  // Line holding pos (a break belongs to the line it ends; past the end: the last line);
  // kSelectionPos: the line of the selection's start. Other negative positions count as 0.
  LineNo LineFromChar(CharPos pos) const;
  LineNo GetLineCount() const;  // never less than 1
  // Does now a relayout that formatting changes left for the next question (a relayout that
  // moves the caret's line tells SelectionChanged then).
  void UpdateLayout() const;
  LineSpan Line(LineNo line) const;  // line in [0, GetLineCount())
  // A big text just set is laid out as far as its first screen at once, and the rest as
  // time allows (ContinueLayout, about `units` units a call, all for 0; true when done) or
  // as soon as a question needs it: every answer above is exact all the while.
  bool LayoutPending() const;
  bool ContinueLayout(std::int64_t units);
  // The lines counted so far, without laying out the rest (a scroll bar's range while the
  // layout goes on): GetLineCount() once it is done.
  LineNo LineCountSoFar() const;

  // --- Shaped geometry of laid-out lines (measure units, x from the line's left edge) ---
  // One layout per line serves painting, the caret, mouse hits, Up and Down and wrapping.
  // The characters of a line, its break excluded; valid until the next edit and while the
  // line's layout (Layout(line)) is held.
  StringView LineText(LineNo line) const;
  // Its layout, shared so that it outlives later calls; line in [0, GetLineCount()).
  std::shared_ptr<const LineLayout> Layout(LineNo line) const;
  // The caret's x at pos, on the laid-out line that holds pos.
  double XOf(CharPos pos) const;
  // The caret position on a line whose caret is nearest to x; never the very end of a line
  // ended by a wrap (that position begins the next line).
  CharPos PosAtX(LineNo line, double x) const;

  // --- Search --------------------------------------------------------------------------
  // First occurrence of `what` lying wholly in [start, end) (no end, or one outside the text: its end);
  // nothing when there is none or when start is past the end. Selects the match unless NoHighlight.
  // Without MatchCase letters compare by Unicode simple case folding. Never copies the text.
  // An empty `what` is found at start when start is not past the range's end (a hit of
  // length 0); a negative start counts as 0.
  std::optional<CharPos> Find(StringView what, CharPos start, std::optional<CharPos> end = std::nullopt,
                              FindOptions options = FindOptions::None);

  // --- Formatting ----------------------------------------------------------------------
  const FontSpec& Font() const;
  void SetFont(const FontSpec& font);           // restyles and re-lays out; no TextChanged
  double RightMargin() const;                   // in cells; 0 = wrap at the visible width
  void SetRightMargin(double cells);            // re-lays out; no TextChanged
  // Custom tab stops in cells (document-wide). Empty: default stops every 8 cells.
  const std::vector<double>& TabStops() const;
  void SetSelTabCount(int count);
  void SetSelTabs(int index, double cells);
  // The x position (in measure units, from the line's start) of the tab stop after x.
  double NextTabStop(double x) const;
  // The measure changed (window resized, font metrics changed): lay the text out again.
  // Every relayout (this, or a font, margin or tab change, done at the next question) that
  // moves the start of the caret's line tells SelectionChanged: the caret's line and column moved.
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
  // The edits made during its lifetime undo and redo as one step.
  class UndoGroup {
   public:
    explicit UndoGroup(TextModel& model) : model_(model) { model_.BeginUndoGroup(); }
    ~UndoGroup() { model_.EndUndoGroup(); }
    UndoGroup(const UndoGroup&) = delete;
    UndoGroup& operator=(const UndoGroup&) = delete;

   private:
    TextModel& model_;
  };

  // Where an event began, to put the document back there if the event fails half-way: the
  // edits made since (typing merged into the step open at the checkpoint included) are undone
  // and left out of the history, which goes on as it stood, and the selection is as it was.
  class Checkpoint {
    friend class TextModel;
    UndoStack::Mark mark;
    CharPos anchor = 0, caret = 0;
  };
  Checkpoint MakeCheckpoint() const;
  void RollBack(const Checkpoint& checkpoint);

  // --- Events --------------------------------------------------------------------------
  // Observing does not change the text, so a view holding it read-only may listen. The
  // observer added last hears first: a view has taken in a change before the editor that
  // owns the control (added first) acts on it.
  void AddObserver(ModelObserver* observer) const;
  void RemoveObserver(ModelObserver* observer) const;

  Measure& GetMeasure() const;

 private:
  struct Impl;
  friend struct TextModelOps;  // the edit and selection primitives (text_model.cc)
  std::unique_ptr<Impl> impl_;
};

}  // namespace quilmar
