// What any failure in an event does: the event's edits are undone and the message panel says
// why, whichever piece of the editor failed (a port, the measure the layout asks) and whatever
// it threw. The editor then goes on as before.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "app/app.hh"
#include "app/panels.hh"
#include "app_test_access.hh"
#include "failing_measure.hh"
#include "headless_ports.hh"
#include "memory_file_system.hh"
#include "platform/us_keyboard.hh"

namespace quilmar {
namespace {

using testing_support::FailingDialogs;

using testing_support::FailingMeasure;
using testing_support::Fault;
using testing_support::Raise;

// The headless status bar, failing while armed when the position panel is written.
class FailingStatusBar final : public StatusBarPort {
 public:
  void SetPanelText(int panel, const String& text) override {
    if (panel == panel::Position) Raise(fault, "the status bar is gone");
    panels.SetPanelText(panel, text);
  }
  headless::StatusBar panels;
  Fault fault = Fault::None;
};

// Longer than the window is wide, so that the layout must measure it to wrap it.
const String kLongLine = String(12, u' ') + u"a line that does not fit in the eighty cells the window shows across";

class FailurePolicyTest : public ::testing::Test {
 protected:
  FailurePolicyTest() { app.Dispatch(StartEvent{u""}); }
  void Type(const String& text) { app.Dispatch(CommitTextEvent{text}); }
  void Key(KeyCode code) { app.Dispatch(KeyDownEvent{KeyEvent{code, shift::None, {}}}); }
  // Insert mode, with a document of two lines and the caret at the start of the second: what
  // is typed next starts a step of the history of its own.
  void StartTyping() {
    Key(key::I);
    Type(u"one\r\ntwo");
    Key(key::Home);
  }
  const String& Message() const { return statusBar.panels.Panel(panel::Message); }
  void Ctrl(KeyCode code) { app.Dispatch(KeyDownEvent{KeyEvent{code, shift::Ctrl, {}}}); }
  // Keys that type the characters, as a US keyboard does (command mode's commands).
  void Keys(std::string_view ascii) {
    for (char c : ascii)
      if (auto key = UsKeyFor(static_cast<char16_t>(c))) app.Dispatch(KeyDownEvent{*key});
  }

  // What an event must leave as it found it when it fails.
  struct Snapshot {
    String text;
    CharPos selStart, selLength;
    LineNo lines;
  };
  Snapshot Snap() const {
    const TextModel& d = app.Document();
    return {d.Text(), d.SelStart(), d.SelLength(), d.GetLineCount()};
  }
  void ExpectAsBefore(const Snapshot& before, const std::string& what) const {
    const Snapshot now = Snap();
    EXPECT_EQ(now.text, before.text) << what;
    EXPECT_EQ(now.selStart, before.selStart) << what;
    EXPECT_EQ(now.selLength, before.selLength) << what;
    EXPECT_EQ(now.lines, before.lines) << what;
  }

  headless::MemoryFileSystem fs;
  FailingStatusBar statusBar;
  headless::Menus menus;
  headless::Focus focus;
  headless::Window window;
  headless::MessageBox messageBox;
  FailingDialogs dialogs;
  headless::Windows windows;
  headless::Clipboard clipboard;
  headless::Printer printer;
  CellMeasure cells{80, 25};
  FailingMeasure measure{cells};
  App app{Ports{statusBar, menus, focus, window, messageBox, dialogs, windows, clipboard, fs, printer}, measure};
};

// The layout asks the measure again when the lines are wrapped anew.
TEST_F(FailurePolicyTest, AFailingMeasureIsReportedAndTheEditorGoesOn) {
  const struct {
    Fault fault;
    String message;
  } cases[] = {
      {Fault::Error, u"Err: the font is gone"},
      {Fault::NoMemory, u"Err: not enough memory for this command"},
      {Fault::Unknown, u"Err: an unknown failure in this command"},
  };
  StartTyping();
  Type(kLongLine);
  const String text = app.Document().Text();
  for (const auto& c : cases) {
    measure.fault = c.fault;
    app.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
    EXPECT_EQ(measure.fault, Fault::None) << "the measure was asked";
    EXPECT_EQ(app.Document().Text(), text);
    EXPECT_EQ(Message(), c.message);
  }
  Type(u"!");
  EXPECT_EQ(app.Document().Text(), u"one\r\n" + kLongLine + u"!two") << "the editor goes on after the failure";
}

// The position panel is written when the event is over: a failure there still belongs to the
// event, and undoes what it typed.
TEST_F(FailurePolicyTest, AFailingPortAfterTheEditUndoesTheEvent) {
  StartTyping();
  statusBar.fault = Fault::Error;
  Type(u"x");
  statusBar.fault = Fault::None;
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo");
  EXPECT_EQ(Message(), u"Err: the status bar is gone");
  Key(key::Escape);
  statusBar.fault = Fault::NoMemory;
  Key(key::D);
  Key(key::D);  // "dd": the line and its break, one step
  statusBar.fault = Fault::None;
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo");
  EXPECT_EQ(Message(), u"Err: not enough memory for this key");
}

// A handler that used to drop a failure of its dialog now reports it like any other.
TEST_F(FailurePolicyTest, AFailingDialogIsReportedAndChangesNothing) {
  StartTyping();
  const FontSpec before = app.Document().Font();
  dialogs.fault = Fault::Error;
  app.Dispatch(MenuClickEvent{MenuItem::mnuFonts});
  EXPECT_EQ(Message(), u"Err: no fonts");
  EXPECT_EQ(app.Document().Font(), before);
  EXPECT_EQ(app.Options().DialogFont(), FontSpec{});
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo");
}

// A front end's own work on the model (a repaint) fails as an event does, and never out of it.
TEST_F(FailurePolicyTest, GuardedWorkOfAFrontEndIsReportedAndUndone) {
  StartTyping();
  EXPECT_NO_THROW(app.Guarded(u"the display", [] { throw std::bad_alloc(); }));
  EXPECT_EQ(Message(), u"Err: not enough memory for the display");
  EXPECT_NO_THROW(app.Guarded(u"the display", [this] {
    AppTestAccess::Document(app).SetSelText(u"x");
    throw std::runtime_error("the window is gone");
  }));
  EXPECT_EQ(Message(), u"Err: the window is gone");
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo");
}

// Typing merges into the step the keys before it opened; a failing key takes back its own
// characters and leaves the step to go on, and to be undone whole.
TEST_F(FailurePolicyTest, AFailingKeyTypedIntoAnOpenStepIsUndoneAlone) {
  StartTyping();
  Type(u"ab");
  const Snapshot before = Snap();
  statusBar.fault = Fault::Error;
  Type(u"c");
  statusBar.fault = Fault::None;
  ExpectAsBefore(before, "a failure after the key");
  EXPECT_EQ(Message(), u"Err: the status bar is gone");

  measure.fault = Fault::Error;
  Type(kLongLine);
  EXPECT_EQ(measure.fault, Fault::None) << "the measure was asked";
  ExpectAsBefore(before, "a failure laying the typing out");
  EXPECT_EQ(Message(), u"Err: the font is gone");

  Type(u"d");
  EXPECT_EQ(app.Document().Text(), u"one\r\nabdtwo");
  Ctrl(key::Z);
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo") << "the typing is one step";
  Ctrl(key::Y);
  EXPECT_EQ(app.Document().Text(), u"one\r\nabdtwo");
  EXPECT_EQ(app.Document().SelStart(), 8);
}

// An insert whose new line cannot be laid out leaves the text, the caret and the lines as
// they were, and the next key types where the caret stands.
TEST_F(FailurePolicyTest, AnInsertWhoseLayoutFailsLeavesTheDocumentAsItWas) {
  StartTyping();
  const Snapshot before = Snap();
  for (const Fault fault : {Fault::Error, Fault::NoMemory}) {
    measure.fault = fault;
    Type(kLongLine);
    EXPECT_EQ(measure.fault, Fault::None) << "the measure was asked";
    ExpectAsBefore(before, "the long insert");
    EXPECT_EQ(Message().substr(0, 5), u"Err: ");
  }
  Type(u"!");
  EXPECT_EQ(app.Document().Text(), u"one\r\n!two");
  Ctrl(key::Z);
  EXPECT_EQ(app.Document().Text(), u"one\r\ntwo");
  Ctrl(key::Y);
  EXPECT_EQ(app.Document().Text(), u"one\r\n!two");
  EXPECT_EQ(app.Document().SelStart(), 6);
}

// Each command that edits, failing on the key that edits: nothing changes. The layout keeps
// what it measured, so each edit brings what it has not met (a new letter, a word with a
// combining mark cut short); "dd" only joins what was measured, and fails in the status bar
// after its edits. Then the same command works, and undoes and redoes.
TEST_F(FailurePolicyTest, CommandsFailingOnTheirEditChangeNothing) {
  const String text = kLongLine + u"\r\n" + kLongLine + u" e\u0301ab\r\ntwo\r\n" + kLongLine;
  const struct {
    const char* name;
    CharPos caret;
    bool insert;            // run in Insert mode
    String keys;            // before the key that edits
    KeyCode last;
    ShiftState shift;
    String clipboard;
    bool layout;            // the measure fails (else the status bar)
  } commands[] = {
      {"dd", CharPos(kLongLine.size() + 2), false, u"d", key::D, shift::None, {}, false},
      {"p", 0, false, {}, key::P, shift::None, u"\u03b1 " + kLongLine, true},
      {"x", CharPos(2 * kLongLine.size() + 5), false, {}, key::X, shift::None, {}, true},
      {"substitution", 0, false, u":1,4s/a/\u03b2/", key::Return, shift::None, {}, true},
      {"paste", 0, true, {}, key::V, shift::Ctrl, u"x\r\n\u03b3" + kLongLine + u"\r\ny", true},
  };
  for (const auto& c : commands) {
    AppTestAccess::Document(app).SetText(text);
    AppTestAccess::Document(app).SetSelStart(c.caret);
    clipboard.SetText(c.clipboard);
    if (c.insert) Key(key::I);
    const auto lead = [&] {
      for (const char16_t ch : c.keys) ch < 0x80 ? Keys(std::string(1, char(ch))) : Type(String(1, ch));
    };
    lead();
    const Snapshot before = Snap();
    (c.layout ? measure.fault : statusBar.fault) = Fault::Error;
    app.Dispatch(KeyDownEvent{KeyEvent{c.last, c.shift, {}}});
    EXPECT_EQ(measure.fault, Fault::None) << c.name << ": the measure was asked";
    statusBar.fault = Fault::None;
    ExpectAsBefore(before, c.name);
    EXPECT_EQ(Message(), c.layout ? u"Err: the font is gone" : u"Err: the status bar is gone") << c.name;

    if (!c.insert) lead();
    app.Dispatch(KeyDownEvent{KeyEvent{c.last, c.shift, {}}});
    const String edited = app.Document().Text();
    EXPECT_NE(edited, before.text) << c.name << " works after the failure";
    if (!c.insert) Key(key::I);
    Ctrl(key::Z);
    EXPECT_EQ(app.Document().Text(), before.text) << c.name << " undone";
    Ctrl(key::Y);
    EXPECT_EQ(app.Document().Text(), edited) << c.name << " redone";
    Key(key::Escape);
  }
}

// Whatever the keys, and wherever in an event the layout fails, the document after the
// failed event is the document before it. Each round types or pastes a letter the layout has
// not met, so that it must ask the measure, and some rounds lay everything out again.
TEST_F(FailurePolicyTest, AnyEventFailingAnywhereLeavesTheDocumentAsItWas) {
  const KeyEvent keys[] = {
      {key::I, shift::None, u"i"}, {key::Escape, shift::None, {}}, {key::X, shift::None, u"x"},
      {key::D, shift::None, u"d"}, {key::P, shift::None, u"p"},    {key::Y, shift::None, u"y"},
      {key::J, shift::None, u"j"}, {key::K, shift::None, u"k"},    {key::Return, shift::None, {}},
      {key::Back, shift::None, {}}, {key::Delete, shift::None, {}}, {key::Home, shift::None, {}},
      {key::Z, shift::Ctrl, {}},    {key::Y, shift::Ctrl, {}},     {key::V, shift::Ctrl, {}},
      {key::Left, shift::Shift, {}}, {key::Down, shift::None, {}},  {key::A, shift::None, u"a"},
  };
  std::mt19937 random(20261207);
  int failed = 0;
  for (int round = 0; round < 800; ++round) {
    const String fresh(1, char16_t(0x0400 + round));  // Cyrillic and on: met for the first time
    const String typed[] = {fresh, u"b" + fresh, u" ", kLongLine + fresh, fresh + u"\r\ny", u"e\u0301" + fresh};
    clipboard.SetText(fresh + kLongLine + u"\r\nz");
    const unsigned what = random() % 8;
    if (what < 3) {  // typing: in Insert mode
      Key(key::Escape);
      Key(key::I);
    }
    const Snapshot before = Snap();
    measure.fault = random() % 4 == 0 ? Fault::None : Fault::Error;
    measure.spared = static_cast<int>(random() % 3);
    const bool armed = measure.fault != Fault::None;
    switch (what) {
      case 0: case 1: case 2: Type(typed[random() % std::size(typed)]); break;
      case 3: app.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap}); break;
      default: app.Dispatch(KeyDownEvent{keys[random() % std::size(keys)]});
    }
    if (armed && measure.fault == Fault::None) {
      ++failed;
      const std::string name = "round " + std::to_string(round);
      EXPECT_EQ(Message(), u"Err: the font is gone") << name;
      if (what == 3) {
        // The wrap is switched before the layout that failed; the next question lays out by it.
        EXPECT_EQ(app.Document().Text(), before.text) << name;
        EXPECT_EQ(app.Document().SelStart(), before.selStart) << name;
        EXPECT_EQ(app.Document().SelLength(), before.selLength) << name;
      } else {
        ExpectAsBefore(before, name);
      }
    }
    measure.fault = Fault::None;
    measure.spared = 0;
  }
  EXPECT_GT(failed, 50) << "enough of the events failed to say something";
}

}  // namespace
}  // namespace quilmar
