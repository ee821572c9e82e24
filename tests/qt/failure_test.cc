// A failure reaches the window as it reaches the headless editor: the message panel says why,
// the document is as it was, and nothing is thrown into Qt's event loop, whether the failure
// came from an event or from the window's own painting.
#include <QApplication>
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/failure_policy.hh"
#include "failing_measure.hh"
#include "fault_file_system.hh"
#include "frm_main.hh"
#include "headless_ports.hh"
#include "memory_file_system.hh"
#include "document_view.hh"
#include "qt_measure.hh"

namespace quilmar {
namespace {

using testing_support::FailingDialogs;

class WindowFailureTest : public ::testing::Test {
 protected:
  WindowFailureTest() {
    window.show();
    QApplication::processEvents();
    window.Start(u"");
    QApplication::processEvents();
  }
  void Command(const String& line) {
    window.Dispatch(KeyDownEvent{KeyEvent{key::Semicolon, shift::Shift, u":"}});
    window.Dispatch(CommitTextEvent{line.substr(1)});
    window.Dispatch(KeyDownEvent{KeyEvent{key::Return, shift::None, u"\r"}});
    QApplication::processEvents();
  }
  String Message() const { return window.statusBarPanels().PanelText(1).toStdU16String(); }

  headless::MemoryFileSystem memory;
  headless::FaultFileSystem fs{memory};
  headless::Printer printer;
  headless::MessageBox messageBox;
  FailingDialogs dialogs;
  FrmMain window{ExternalPorts{fs, printer, &messageBox, &dialogs}};
};

TEST_F(WindowFailureTest, AFailingPortIsReportedAsInTheHeadlessEditor) {
  window.Dispatch(KeyDownEvent{KeyEvent{key::I, shift::None, u"i"}});
  window.Dispatch(CommitTextEvent{u"kept"});
  dialogs.fault = testing_support::Fault::Error;
  window.Dispatch(MenuClickEvent{MenuItem::mnuFonts});
  EXPECT_EQ(Message(), u"Err: no fonts");
  EXPECT_EQ(window.app().Document().Text(), u"kept");
  // A disk fault the file procedures expect reads as it does headless as well.
  window.Dispatch(KeyDownEvent{KeyEvent{key::Escape, shift::None, {}}});
  fs.Fail(headless::FsCall::CreateEmpty, "Permission denied");
  Command(u":w /docs/new.txt");
  EXPECT_EQ(Message(), u"Can't write /docs/new.txt: Permission denied");
  EXPECT_EQ(window.app().Document().Text(), u"kept");
}

using testing_support::FailingMeasure;
using testing_support::Fault;

class PaintFailureTest : public ::testing::Test {
 protected:
  PaintFailureTest() {
    view.guard.Set([this](const char16_t* doing, const std::function<void()>& work) { policy.Run(doing, work); });
    view.SetModel(&model);
    view.resize(300, 200);
    view.show();
    QApplication::processEvents();
  }
  ~PaintFailureTest() override { view.SetModel(nullptr); }

  QtMeasure qtMeasure{96.0};
  FailingMeasure measure{qtMeasure};
  TextModel model{measure};
  std::vector<String> reports;
  FailurePolicy policy{model, [this](const String& message) { reports.push_back(message); }};
  DocumentView view{qtMeasure};
};

// The lines are laid out again when the view is repainted next (by the sync its paint starts
// with): the failure is reported once, and the next repaint works.
TEST_F(PaintFailureTest, AFailingRepaintIsReportedAndTheNextOneWorks) {
  model.SetText(u"a line long enough to be measured when it is laid out again for the paint");
  QApplication::processEvents();
  measure.fault = Fault::Error;
  model.Relayout();
  EXPECT_NO_THROW(view.viewport()->repaint());
  EXPECT_EQ(measure.fault, Fault::None) << "the repaint asked the measure";
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], u"Err: the font is gone");
  EXPECT_NO_THROW(view.viewport()->repaint());
  EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
}  // namespace quilmar
