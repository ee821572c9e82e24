// The document's key handler: the one place where the editing modes take effect.
// The fixed steps (re-lock, Insert, Escape, F3, Ctrl+V, Insert mode) come first; the
// Command-mode keys are a table, tried in order, the first row that fits deciding.
#include <array>

#include "app/app.hh"
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

using KeyAction = void (*)(App&, KeyCode&);

// One Command-mode key: its code, the Shift states it answers to, and what it does.
struct KeyCommand {
  KeyCode code;
  ShiftRule shift;
  KeyAction action;
};

void Consume(KeyCode& keyCode) { keyCode = key::Consumed; }

// The insert keys share their first steps; each then places the caret its own way.
void BeginInsert(App& app, KeyCode& keyCode) {
  Consume(keyCode);
  app.mode.EnterInsert();
}

void RepeatSearch(App& app) {
  app.mode.Show(ModeText::Search);
  FindPattern(app.txtMain, app.modHeader.SearchPos, app.ports.statusBar, app.modHeader.LastPattern,
              app.Checked(MenuItem::mnuFindCase));
}

void OpenColonBox(App& app, KeyCode&) { app.OpenCommandBox(u":", ModeText::Command); }
void OpenSearchBox(App& app, KeyCode&) { app.OpenCommandBox(u"/", ModeText::Search); }
void NextMatch(App& app, KeyCode&) { RepeatSearch(app); }

void InsertHere(App& app, KeyCode& keyCode) { BeginInsert(app, keyCode); }

// Nothing in between looks at the mode or the lock, so the caret may move last.
void InsertAfter(App& app, KeyCode& keyCode) {
  BeginInsert(app, keyCode);
  // Past the end the control clamps; between "\r" and "\n" it moves on past the pair.
  app.txtMain.SetSelStart(app.txtMain.SelStart() + 1);
}

void InsertAtLineStart(App& app, KeyCode& keyCode) {
  BeginInsert(app, keyCode);
  MoveToLineStart(app.txtMain, app.txtMain.SelStart());
}

void InsertAtLineEnd(App& app, KeyCode& keyCode) {
  BeginInsert(app, keyCode);
  MoveToLineEnd(app.txtMain, app.txtMain.SelStart());
}

void GoLineEnd(App& app, KeyCode&) { MoveToLineEnd(app.txtMain, app.txtMain.SelStart()); }
void GoLineStart(App& app, KeyCode&) { MoveToLineStart(app.txtMain, app.txtMain.SelStart()); }

// The control itself deletes, as for Delete, with the modifiers still held; the next key
// locks the document again.
void DeleteChar(App& app, KeyCode& keyCode) {
  app.mode.UnlockForOneEdit();
  keyCode = key::Delete;
}

void Yank(App& app, KeyCode&) {
  if (app.txtMain.SelLength() < 1) SelectLine(app.txtMain);
  app.ports.clipboard.Clear();
  app.ports.clipboard.SetText(app.txtMain.SelText());
}

void Put(App& app, KeyCode&) {
  const App::Doing doing(app, u"the paste");
  SharedText text(app.ports.clipboard.GetText());
  MoveToLineEnd(app.txtMain, app.txtMain.SelStart());
  app.txtMain.SetSelText(kLineBreak);
  app.txtMain.SetSelText(std::move(text));
}

// The second of two "d"s deletes the line holding SelStart and, if one follows it, its line
// break. Under wrap the two characters after a piece that is not a paragraph's last are no
// line break, and only the piece goes.
void DeleteLine(App& app, KeyCode&) {
  if (!app.PendingDelete) {
    app.PendingDelete = true;
    return;
  }
  TextModel& txtMain = app.txtMain;
  SelectLine(txtMain);
  app.ports.clipboard.Clear();
  app.ports.clipboard.SetText(txtMain.SelText());
  txtMain.SetSelText(u"");
  txtMain.SetSelLength(2);
  if (txtMain.SelText() == kLineBreak)
    txtMain.SetSelText(u"");
  else
    txtMain.SetSelLength(0);
  app.PendingDelete = false;
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
  mode.Relock();

  switch (keyCode) {
    case key::Insert:  // never the control's overwrite mode or its Insert shortcuts
      Consume(keyCode);
      return;
    case key::Escape:
      mode.EnterCommand();
      return;
    case key::F3:
      RepeatSearch(*this);
      return;
    case key::V:  // only Ctrl+V in Insert mode pastes, as plain text; all else passes on
      if ((shift & shift::Ctrl) != 0 && !mode.CommandMode()) {
        Consume(keyCode);
        const Doing doing(*this, u"the paste");
        txtMain.SetSelText(ports.clipboard.GetText());
      }
      return;
    default:
      break;
  }

  if (!mode.CommandMode()) return;  // Insert mode: the control types and edits as usual

  for (const KeyCommand& row : kCommandKeys) {
    if (Fits(row, keyCode, shift)) {
      row.action(*this, keyCode);
      return;
    }
  }
}

}  // namespace quilmar
