#pragma once
// A headless editor driven by key scripts, with documents written as marked text, for the
// editor and command tests. Header-only so that both test programs can include it.
//
// Documents are marked text (marked_text.hh: "|" the caret, "^" the anchor, "\n" a line break).
// Key scripts are quilmar-batch's notation (its ParseKeyScript): each character is typed as its
// key on a US keyboard, "<...>" names a key with optional modifiers (<Esc>, <Enter>, <C-v>,
// <S-Ins>, <C-S-x>, <A-d>).
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/app.hh"
#include "app_test_access.hh"
#include "app/options.hh"
#include "fault_file_system.hh"
#include "headless_editor.hh"
#include "key_script.hh"
#include "marked_text.hh"
#include "memory_file_system.hh"

namespace quilmar::testing {

inline String U(std::string_view utf8) { return FromUtf8(utf8); }
inline std::string S(StringView text) { return ToUtf8(text); }

// One editor, started with no file and no settings file, in Command mode, word wrap off.
class ScriptEditor {
 public:
  explicit ScriptEditor(headless::EditorSetup setup = {}) : editor_(faults, std::move(setup)) {
    files.AddFolder(u"/home/user");
    files.AddFolder(u"/home/user/.config/quilmar");
    files.AddFolder(u"/opt/quilmar");
    app().Dispatch(StartEvent{u""});
    SetWordWrap(AppTestAccess::Document(app()), false);
  }
  ScriptEditor(const ScriptEditor&) = delete;
  ScriptEditor& operator=(const ScriptEditor&) = delete;

  App& app() { return editor_.app; }
  headless::HeadlessEditor& editor() { return editor_; }
  TextModel& doc() { return AppTestAccess::Document(editor_.app); }

  // Puts a document in place without unsaved changes and with the marked selection.
  void Load(std::string_view marked) {
    const Marked m = ParseMarked(marked);
    doc().SetText(m.text);
    doc().Select(m.anchor, m.caret);
    AppTestAccess::Files(app()).state.TextChanged = false;
  }

  // The script's events; a resize or a pause has no place here.
  void Run(std::string_view script) {
    const batch::KeyScript parsed = batch::ParseKeyScript(script);
    if (parsed.error) throw std::invalid_argument(*parsed.error);
    for (const batch::ScriptStep& step : parsed.steps) app().Dispatch(std::get<Event>(step));
  }

  // A whole command line through the command box: the box's leading ":" or "/" comes from
  // its key in the document, the rest is typed, then Enter.
  void Command(std::string_view line) { Run(std::string(line) + "<Enter>"); }

  std::string Doc() { return Render(doc()); }
  std::string Panel(int panel) { return S(editor_.statusBar.Panel(panel)); }
  std::string Message() { return Panel(panel::Message); }
  std::string Mode() { return Panel(panel::Mode); }
  std::string Clipboard() { return S(editor_.clipboard.GetText()); }
  std::string CmdText() { return S(editor_.app.CommandBox().Text()); }
  bool InCommandBox() { return editor_.focus.Focused() == Control::txtCmd; }

  headless::MemoryFileSystem files;             // what is on "disk"
  headless::FaultFileSystem faults{files};      // what the editor sees: failures on demand

 private:
  headless::HeadlessEditor editor_;
};

// What a case expects afterwards; only the fields given are checked.
struct Expect {
  std::optional<std::string> doc = {};
  std::optional<std::string> mode = {};
  std::optional<std::string> message = {};
  std::optional<std::string> clipboard = {};
  std::optional<bool> commandMode = {};
  std::optional<bool> locked = {};
  std::optional<bool> pendingDelete = {};
  std::optional<bool> textChanged = {};
  std::optional<bool> inCommandBox = {};
  std::optional<std::string> cmdText = {};
  std::optional<CharPos> searchPos = {};
  std::optional<bool> closed = {};
};

inline void Check(ScriptEditor& ed, const Expect& want) {
  const auto check = [](const auto& expected, const auto& actual, const char* what) {
    if (expected) {
      EXPECT_EQ(actual, *expected) << what;
    }
  };
  check(want.doc, ed.Doc(), "document");
  check(want.mode, ed.Mode(), "mode panel");
  check(want.message, ed.Message(), "message panel");
  check(want.clipboard, ed.Clipboard(), "clipboard");
  check(want.commandMode, ed.app().Mode().CommandMode(), "CommandMode");
  check(want.locked, ed.doc().Locked(), "Locked");
  check(want.pendingDelete, ed.app().DeletePending(), "PendingDelete");
  check(want.textChanged, ed.app().Files().TextChanged(), "TextChanged");
  check(want.inCommandBox, ed.InCommandBox(), "focus in the command box");
  check(want.cmdText, ed.CmdText(), "command box text");
  check(want.searchPos, ed.app().Search().SearchPos(), "SearchPos");
  check(want.closed, ed.editor().window.Closed(), "window closed");
}

}  // namespace quilmar::testing
