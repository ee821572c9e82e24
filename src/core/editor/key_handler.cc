// The document's key handler: the one place where the editing modes take effect.
// The fixed steps (re-lock, Insert, Escape, F3, Ctrl+V, Insert mode) come first; the
// Command-mode keys are a table, tried in order, the first row that fits deciding.
#include <array>

#include <functional>

#include "app/app.hh"
#include "app/doing.hh"
#include "editor/motions.hh"
#include "editor/search.hh"

namespace quilmar {

namespace {

const String kLineBreak = u"\r\n";

// Which Shift states a row of the Command-mode table accepts.
enum class ShiftRule {
  Held,  // only with Shift held: ":", "I", "A"
  Any,   // Shift not looked at: "N" acts as "n", "$" as "4", "?" as "/"
};

// What the Command-mode keys act on.
struct KeyContext {
  TextModel& txtMain;
  EditorMode& mode;
  ClipboardPort& clipboard;
  bool& PendingDelete;
  DocumentSearch& search;
  const EditorOptions& options;
  std::function<void(const String& leader, ModeText modeText)> openCommandBox;
};

using KeyAction = void (*)(KeyContext&, KeyCode&);

// One Command-mode key: its code, the Shift states it answers to, and what it does.
struct KeyCommand {
  KeyCode code;
  ShiftRule shift;
  KeyAction action;
};

void Consume(KeyCode& keyCode) { keyCode = key::Consumed; }

// The insert keys share their first steps; each then places the caret its own way.
void BeginInsert(KeyContext& k, KeyCode& keyCode) {
  Consume(keyCode);
  k.mode.EnterInsert();
}

void RepeatSearch(KeyContext& k) {
  k.mode.Show(ModeText::Search);
  k.search.FindNext(k.options.FindCase());
}

void OpenColonBox(KeyContext& k, KeyCode&) { k.openCommandBox(u":", ModeText::Command); }
void OpenSearchBox(KeyContext& k, KeyCode&) { k.openCommandBox(u"/", ModeText::Search); }
void NextMatch(KeyContext& k, KeyCode&) { RepeatSearch(k); }

void InsertHere(KeyContext& k, KeyCode& keyCode) { BeginInsert(k, keyCode); }

// Nothing in between looks at the mode or the lock, so the caret may move last.
void InsertAfter(KeyContext& k, KeyCode& keyCode) {
  BeginInsert(k, keyCode);
  // Past the end the control clamps; between "\r" and "\n" it moves on past the pair.
  k.txtMain.SetSelStart(k.txtMain.SelStart() + 1);
}

void InsertAtLineStart(KeyContext& k, KeyCode& keyCode) {
  BeginInsert(k, keyCode);
  MoveToLineStart(k.txtMain, k.txtMain.SelStart());
}

void InsertAtLineEnd(KeyContext& k, KeyCode& keyCode) {
  BeginInsert(k, keyCode);
  MoveToLineEnd(k.txtMain, k.txtMain.SelStart());
}

void GoLineEnd(KeyContext& k, KeyCode&) { MoveToLineEnd(k.txtMain, k.txtMain.SelStart()); }
void GoLineStart(KeyContext& k, KeyCode&) { MoveToLineStart(k.txtMain, k.txtMain.SelStart()); }

// The control itself deletes, as for Delete, with the modifiers still held; the next key
// locks the document again.
void DeleteChar(KeyContext& k, KeyCode& keyCode) {
  k.mode.UnlockForOneEdit();
  keyCode = key::Delete;
}

void Yank(KeyContext& k, KeyCode&) {
  if (k.txtMain.SelLength() < 1) SelectLine(k.txtMain);
  k.clipboard.Clear();
  k.clipboard.SetText(k.txtMain.SelText());
}

void Put(KeyContext& k, KeyCode&) {
  const Doing doing(u"the paste");
  SharedText text(k.clipboard.GetText());
  MoveToLineEnd(k.txtMain, k.txtMain.SelStart());
  k.txtMain.SetSelText(kLineBreak);
  k.txtMain.SetSelText(std::move(text));
}

// The second of two "d"s deletes the line holding SelStart and, if one follows it, its line
// break. Under wrap the two characters after a piece that is not a paragraph's last are no
// line break, and only the piece goes.
void DeleteLine(KeyContext& k, KeyCode&) {
  if (!k.PendingDelete) {
    k.PendingDelete = true;
    return;
  }
  TextModel& txtMain = k.txtMain;
  SelectLine(txtMain);
  k.clipboard.Clear();
  k.clipboard.SetText(txtMain.SelText());
  txtMain.SetSelText(u"");
  txtMain.SetSelLength(2);
  if (txtMain.SelText() == kLineBreak)
    txtMain.SetSelText(u"");
  else
    txtMain.SetSelLength(0);
  k.PendingDelete = false;
}

// Command mode, in the order the keys are tried: the Shift rows first, so that Shift with
// "I" or "A" finds its own row before the plain one.
constexpr std::array<KeyCommand, 13> kCommandKeys{{
    {key::Semicolon, ShiftRule::Held, OpenColonBox},
    {key::I, ShiftRule::Held, InsertAtLineStart},
    {key::A, ShiftRule::Held, InsertAtLineEnd},

    {key::Slash, ShiftRule::Any, OpenSearchBox},
    {key::N, ShiftRule::Any, NextMatch},
    {key::I, ShiftRule::Any, InsertHere},
    {key::A, ShiftRule::Any, InsertAfter},
    {key::D4, ShiftRule::Any, GoLineEnd},
    {key::D0, ShiftRule::Any, GoLineStart},
    {key::X, ShiftRule::Any, DeleteChar},
    {key::Y, ShiftRule::Any, Yank},
    {key::P, ShiftRule::Any, Put},
    {key::D, ShiftRule::Any, DeleteLine},
}};

bool Fits(const KeyCommand& row, KeyCode keyCode, ShiftState shift) {
  if (row.code != keyCode) return false;
  return row.shift == ShiftRule::Any || (shift & shift::Shift) != 0;
}

}  // namespace

void App::txtMain_KeyDown(KeyCode& keyCode, ShiftState shift) {
  KeyContext keys{txtMain, mode, ports.clipboard, PendingDelete, search, options,
                  [this](const String& leader, ModeText modeText) { commandLine.OpenCommandBox(leader, modeText); }};
  mode.Relock();

  switch (keyCode) {
    case key::Insert:  // never the control's overwrite mode or its Insert shortcuts
      Consume(keyCode);
      return;
    case key::Escape:
      mode.EnterCommand();
      return;
    case key::F3:
      RepeatSearch(keys);
      return;
    case key::V:  // only Ctrl+V in Insert mode pastes, as plain text; all else passes on
      if ((shift & shift::Ctrl) != 0 && !mode.CommandMode()) {
        Consume(keyCode);
        const Doing doing(u"the paste");
        txtMain.SetSelText(ports.clipboard.GetText());
      }
      return;
    default:
      break;
  }

  if (!mode.CommandMode()) return;  // Insert mode: the control types and edits as usual

  for (const KeyCommand& row : kCommandKeys) {
    if (Fits(row, keyCode, shift)) {
      row.action(keys, keyCode);
      return;
    }
  }
}

}  // namespace quilmar
