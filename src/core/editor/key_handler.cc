// The document's key handler: the one place where the editing modes take effect.
// The fixed steps (re-lock, Insert, Escape, F3, Ctrl+V, Insert mode) come first; the
// Command-mode keys are a table, tried in order, the first row that fits deciding.
#include <array>

#include <functional>
#include <optional>

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

// An action may change the key the control then acts on: none when the key is used up here.
using KeyAction = void (*)(KeyContext&, std::optional<KeyCode>&);

// One Command-mode key: its code, the Shift states it answers to, and what it does.
struct KeyCommand {
  KeyCode code;
  ShiftRule shift;
  KeyAction action;
};

void Consume(std::optional<KeyCode>& keyCode) { keyCode.reset(); }

// The insert keys share their first steps; each then places the caret its own way.
void BeginInsert(KeyContext& k, std::optional<KeyCode>& keyCode) {
  Consume(keyCode);
  k.mode.EnterInsert();
}

void RepeatSearch(KeyContext& k) {
  k.mode.Show(ModeText::Search);
  k.search.FindNext(k.options.FindCase());
}

void OpenColonBox(KeyContext& k, std::optional<KeyCode>&) { k.openCommandBox(u":", ModeText::Command); }
void OpenSearchBox(KeyContext& k, std::optional<KeyCode>&) { k.openCommandBox(u"/", ModeText::Search); }
void NextMatch(KeyContext& k, std::optional<KeyCode>&) { RepeatSearch(k); }

void InsertHere(KeyContext& k, std::optional<KeyCode>& keyCode) { BeginInsert(k, keyCode); }

// Nothing in between looks at the mode or the lock, so the caret may move last.
void InsertAfter(KeyContext& k, std::optional<KeyCode>& keyCode) {
  BeginInsert(k, keyCode);
  // Past the end the control clamps; between "\r" and "\n" it moves on past the pair.
  k.txtMain.SetSelStart(k.txtMain.SelStart() + 1);
}

void InsertAtLineStart(KeyContext& k, std::optional<KeyCode>& keyCode) {
  BeginInsert(k, keyCode);
  MoveToLineStart(k.txtMain, k.txtMain.SelStart());
}

void InsertAtLineEnd(KeyContext& k, std::optional<KeyCode>& keyCode) {
  BeginInsert(k, keyCode);
  MoveToLineEnd(k.txtMain, k.txtMain.SelStart());
}

void GoLineEnd(KeyContext& k, std::optional<KeyCode>&) { MoveToLineEnd(k.txtMain, k.txtMain.SelStart()); }
void GoLineStart(KeyContext& k, std::optional<KeyCode>&) { MoveToLineStart(k.txtMain, k.txtMain.SelStart()); }

// The control itself deletes, as for Delete, with the modifiers still held; the next key
// locks the document again.
void DeleteChar(KeyContext& k, std::optional<KeyCode>& keyCode) {
  k.mode.UnlockForOneEdit();
  keyCode = key::Delete;
}

void Yank(KeyContext& k, std::optional<KeyCode>&) {
  if (k.txtMain.SelLength() < 1) SelectLine(k.txtMain);
  k.clipboard.Clear();
  k.clipboard.SetText(k.txtMain.SelText());
}

void Put(KeyContext& k, std::optional<KeyCode>&) {
  const Doing doing(u"the paste");
  SharedText text(k.clipboard.GetText());
  MoveToLineEnd(k.txtMain, k.txtMain.SelStart());
  k.txtMain.SetSelText(kLineBreak);
  k.txtMain.SetSelText(std::move(text));
}

// The second of two "d"s deletes the line holding SelStart and, if one follows it, its line
// break. Under wrap the two characters after a piece that is not a paragraph's last are no
// line break, and only the piece goes.
void DeleteLine(KeyContext& k, std::optional<KeyCode>&) {
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

std::optional<KeyCode> App::txtMain_KeyDown(KeyCode code, ShiftState shift) {
  std::optional<KeyCode> keyCode = code;
  KeyContext keys{txtMain, mode, ports.clipboard, PendingDelete, search, options,
                  [this](const String& leader, ModeText modeText) { commandLine.OpenCommandBox(leader, modeText); }};
  mode.Relock();

  switch (code) {
    case key::Insert:  // never the control's overwrite mode or its Insert shortcuts
      Consume(keyCode);
      return keyCode;
    case key::Escape:
      mode.EnterCommand();
      return keyCode;
    case key::F3:
      RepeatSearch(keys);
      return keyCode;
    case key::V:  // only Ctrl+V in Insert mode pastes, as plain text; all else passes on
      if ((shift & shift::Ctrl) != 0 && !mode.CommandMode()) {
        Consume(keyCode);
        const Doing doing(u"the paste");
        txtMain.SetSelText(ports.clipboard.GetText());
      }
      return keyCode;
    default:
      break;
  }

  if (!mode.CommandMode()) return keyCode;  // Insert mode: the control types and edits as usual

  for (const KeyCommand& row : kCommandKeys) {
    if (Fits(row, code, shift)) {
      row.action(keys, keyCode);
      return keyCode;
    }
  }
  return keyCode;
}

}  // namespace quilmar
