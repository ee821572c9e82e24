#pragma once
// A headless editor driven by key scripts, with documents written as marked text, for the
// editor and command tests. Header-only so that both test programs can include it.
//
// Marked text: "\n" stands for a line break ("\r\n" in the document), "|" for the caret and
// "[" ... "]" for a selection (SelStart at "[", its end at "]").
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
#include "memory_file_system.hh"

namespace quilmar::testing {

inline String U(std::string_view utf8) { return FromUtf8(utf8); }
inline std::string S(StringView text) { return ToUtf8(text); }

// A document with its selection, read from marked text.
struct Marked {
  String text;
  CharPos selStart = 0;
  CharPos selLength = 0;
};

inline Marked ParseMarked(std::string_view marked) {
  Marked out;
  std::string plain;
  std::optional<std::size_t> open;
  for (char c : marked) {
    if (c == '|') {
      out.selStart = static_cast<CharPos>(FromUtf8(plain).size());
    } else if (c == '[') {
      open = FromUtf8(plain).size();
    } else if (c == ']') {
      out.selStart = static_cast<CharPos>(*open);
      out.selLength = static_cast<CharPos>(FromUtf8(plain).size() - *open);
    } else if (c == '\n') {
      plain += "\r\n";
    } else {
      plain += c;
    }
  }
  out.text = FromUtf8(plain);
  return out;
}

// The document in the same notation, so that a failing case shows text and caret together.
inline std::string Render(const TextModel& model) {
  const String text = model.Text();
  const auto start = static_cast<std::size_t>(model.SelStart());
  const auto end = start + static_cast<std::size_t>(model.SelLength());
  std::string out;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == start) out += model.SelLength() > 0 ? "[" : "|";
    if (i == end && model.SelLength() > 0) out += "]";
    if (i == text.size()) break;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      out += '\n';
      if (start != i + 1 && end != i + 1) ++i;  // a position inside the pair stays visible
    } else if (text[i] == u'\r') {
      out += "\\r";
    } else {
      out += S(StringView(&text[i], 1));
    }
  }
  return out;
}

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
    doc().Select(m.selStart, m.selStart + m.selLength);
    AppTestAccess::Files(app()).state.TextChanged = false;
  }

  // Keys and mouse releases; the script's other events have no place here.
  void Run(std::string_view script) {
    const batch::KeyScript parsed = batch::ParseKeyScript(script);
    if (parsed.error) throw std::invalid_argument(*parsed.error);
    for (const batch::ScriptEvent& event : parsed.events) {
      if (const auto* up = std::get_if<batch::MouseUpEvent>(&event)) app().Dispatch(MouseUpEvent{up->button});
      else app().Dispatch(KeyDownEvent{std::get<KeyEvent>(event)});
    }
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

// One key-script case: a document, the keys, what follows.
struct ScriptCase {
  std::string_view name = "";
  std::string_view before = "";
  std::string_view keys = "";
  Expect after = {};
  bool insertMode = false;            // start in Insert mode instead of Command mode
  std::string_view clipboard = "";    // the clipboard's text before the keys
  int cols = 0;                       // word wrap on at this width (0: wrap off)
};

// Failing parameterised cases are named by their name, not their bytes.
inline void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

inline void RunCase(const ScriptCase& c) {
  SCOPED_TRACE(std::string(c.name) + ": keys " + std::string(c.keys));
  headless::EditorSetup setup;
  setup.clipboard = U(c.clipboard);
  if (c.cols > 0) setup.cols = c.cols;
  ScriptEditor ed(std::move(setup));
  if (c.cols > 0) SetWordWrap(AppTestAccess::Document(ed.app()), true);
  ed.Load(c.before);
  if (c.insertMode) ed.Run("i");
  ed.Run(c.keys);
  Check(ed, c.after);
}

}  // namespace quilmar::testing
