#pragma once
// The main window on in-memory ports (files, printers, message boxes, dialogs), shown and
// started with no file, for the tests of the window as a whole.
#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "frm_main.hh"
#include "headless_ports.hh"
#include "memory_file_system.hh"

namespace quilmar {

class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() : window(ExternalPorts{fs, printer, &messageBox, &dialogs}) {}
  // Shows the window and starts the editor; the constructor leaves this to the test's own
  // fixture, which may hook things up first.
  void ShowAndStart() {
    window.show();
    QApplication::processEvents();
    window.Start(u"");
    QApplication::processEvents();
  }
  // A key press sent to a widget, as the window system delivers it.
  static void Press(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(to, &event);
    QApplication::processEvents();
  }

  headless::MemoryFileSystem fs;
  headless::Printer printer;
  headless::MessageBox messageBox;
  headless::Dialogs dialogs;
  FrmMain window;
};

}  // namespace quilmar
