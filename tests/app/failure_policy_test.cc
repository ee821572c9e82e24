// What any failure in an event does: the event's edits are undone and the message panel says
// why, whichever piece of the editor failed (a port, the measure the layout asks) and whatever
// it threw. The editor then goes on as before.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/app.hh"
#include "app/panels.hh"
#include "app_test_access.hh"
#include "failing_measure.hh"
#include "headless_ports.hh"
#include "memory_file_system.hh"

namespace quilmar {
namespace {

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

// The headless dialogs, whose font dialog fails while armed.
class FailingDialogs final : public DialogPort {
 public:
  std::optional<String> ShowOpen(const CommonDialogState& dialog) override { return dialogs.ShowOpen(dialog); }
  std::optional<String> ShowSave(const CommonDialogState& dialog) override { return dialogs.ShowSave(dialog); }
  std::optional<FontSpec> ShowFont(const CommonDialogState& dialog) override {
    Raise(fault, "no fonts");
    return dialogs.ShowFont(dialog);
  }
  headless::Dialogs dialogs;
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

}  // namespace
}  // namespace quilmar
