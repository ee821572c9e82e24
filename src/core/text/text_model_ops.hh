#pragma once
// Inside TextModel, for its own files alone: its state (TextModel::Impl), the positions the
// caret may take, and the primitives every part goes through (TextModelOps): the cache of
// line layouts (text_model_layouts.cc), and the edits and selection moves with the events they
// raise (text_model_edits.cc). The keys are in text_model_keys.cc.
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

#include "text/document.hh"
#include "text/line_breaker.hh"
#include "text/line_layout.hh"
#include "text/tab_stops.hh"
#include "text/text_model.hh"
#include "text/undo.hh"

namespace quilmar {

struct TextModel::Impl {
  Impl(TextModel& t, Measure& m) : self(t), measure(m), breaker(m, tabs), doc(breaker) {}

  TextModel& self;
  Measure& measure;
  quilmar::TabStops tabs;
  LineBreaker breaker;
  Document doc;
  CharPos anchor = 0;
  CharPos caret = 0;
  bool locked = false;
  FontSpec font;
  double rightMargin = 0;
  bool layoutDirty = true;
  bool fontChanged = false;  // lay out again even if the sizes the breaker reads look the same
  mutable std::vector<ModelObserver*> observers;  // told newest first
  std::function<String()> clipboardGet;
  std::function<void(const String&)> clipboardSet;
  UndoStack undo;
  std::optional<double> goalX;  // Up/Down keep the caret near this x
  // Layouts of recently asked lines (the visible ones, the caret's); dropped on every edit
  // and relayout, since line numbers and texts move with them.
  static constexpr std::size_t kLayoutCache = 256;
  mutable std::vector<std::pair<LineNo, std::shared_ptr<LineLayout>>> layouts;
  mutable std::size_t nextLayoutSlot = 0;
  // The same layouts found by their text, which they keep: they outlive edits, so after a key
  // only the lines whose characters changed are laid out again (a line depends on its text
  // alone). Dropped with every relayout; the least recently asked first when they hold too
  // much. (Dropping the oldest instead let every key's new line push out the window's lines,
  // which were all kept together and so all went together, and were laid out again at once.)
  static constexpr std::size_t kKeptUnits = 1 << 19;
  struct Kept {
    std::shared_ptr<LineLayout> layout;
    std::list<StringView>::iterator place;  // in keptOrder
  };
  mutable std::unordered_map<StringView, Kept, TextMetrics::Hash, TextMetrics::Equal> kept;
  mutable std::list<StringView> keptOrder;  // least recently asked first
  mutable std::size_t keptUnits = 0;
};

// Clamps to the text and moves a position inside "\r\n" or a cluster to its end (Forward)
// or to its start (Backward).
CharPos SnapForward(const Document& doc, std::int64_t pos);
CharPos SnapForward(const Document& doc, CharPos pos);
CharPos SnapBackward(const Document& doc, std::int64_t pos);
CharPos SnapBackward(const Document& doc, CharPos pos);

// The span of a laid-out line inside its paragraph, and whether a wrap (not a break) ends it.
struct LineInPara {
  Document::Para para;
  std::int32_t from = 0;
  std::int32_t to = 0;
  bool wrapped = false;

  UnitSpan Text() const {
    return para.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  }
};

LineInPara LocateLine(const Document& doc, LineNo line);

// Edits and selection moves go through these, which keep the caret valid and raise the events.
struct TextModelOps {
  using Impl = TextModel::Impl;

  // The layout reads the measure and the tab stops lazily: a run of formatting changes (the
  // 32 tab stops set one by one after a load, say) costs one relayout, at the next question.
  // A resize that leaves the wrap width alone (the margin is set, say) costs nothing.
  // A relayout that moves the caret's line start tells SelectionChanged, so that the position panel
  // follows a toggled word wrap, a resize or a new font at once.
  static void EnsureLayout(Impl& m);
  static bool ConfigureBreaker(Impl& m);
  static void LayoutMoved(TextModel& t);
  static void ForgetLayouts(const Impl& m);
  static std::shared_ptr<LineLayout> KeptLayout(const Impl& m, UnitSpan text);
  static void Keep(const Impl& m, const std::shared_ptr<LineLayout>& layout);
  static std::shared_ptr<const LineLayout> Layout(const Impl& m, LineNo line);
  static double XOf(const Impl& m, CharPos pos);
  static CharPos PosAtX(const Impl& m, LineNo line, double x);

  // Tells every observer, newest first. By index, so that one removed while the others are
  // told (a view closing) is not called after it has gone.
  template <typename Call>
  static void Tell(const Impl& m, Call call) {
    for (std::size_t i = m.observers.size(); i-- > 0;) {
      if (i < m.observers.size()) call(*m.observers[i]);
    }
  }

  static void NotifySelection(TextModel& t);
  static void NotifyEdited(TextModel& t, CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms = {});
  static void NotifyText(TextModel& t, TextCause cause = TextCause::Edit);
  static void NotifyReplaced(TextModel& t, TextCause cause, CharPos removed);

  // Moves the selection; `keepGoal` keeps the column that Up and Down aim for.
  static void MoveSelection(TextModel& t, CharPos anchor, CharPos caret, bool keepGoal = false);

  // Replaces [start, start+removed) by normalised text and leaves the caret after it.
  // Returns false (and changes nothing) when the text would grow past what the document holds
  // (a paragraph longer than Document::kMaxParagraph).
  static bool Edit(TextModel& t, CharPos start, CharPos removed, SharedText text, EditKind kind);

  // Applies a step of history backwards (undo) or forwards (redo), without TextChanged and
  // SelectionChanged, all or nothing: an edit that fails half-way takes back those replayed
  // before it, and the failure goes on.
  static void ReplayEdits(TextModel& t, const std::vector<EditRecord>& edits, bool backwards);
  // One step of the history taken back (undo) or again (redo); see TextModel::Undo.
  static void ReplayStep(TextModel& t, bool undo);

  static bool ReplaceAll(TextModel& t, String text, BreakRuns forms = {});
  // `text` holds "\r\n" breaks only and is no longer than the document holds. False, with
  // nothing changed, when a paragraph of it is longer than a paragraph holds.
  static bool ReplaceAll(TextModel& t, SharedText text, BreakRuns forms);

  static CharPos SelEnd(const Impl& m) { return std::max(m.anchor, m.caret); }
};

}  // namespace quilmar
