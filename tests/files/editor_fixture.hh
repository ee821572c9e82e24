#pragma once
// A headless editor whose program folder and documents are real temporary folders, reached
// through the real file system adapter wrapped in a fault injector.
#include <gtest/gtest.h>

#include <memory>

#include "fault_file_system.hh"
#include "app_test_access.hh"
#include "headless_editor.hh"
#include "qt_file_system.hh"
#include "temp_folder.hh"

namespace quilmar::testing {

class EditorTest : public ::testing::Test {
 protected:
  TempFolder home;  // the program folder
  TempFolder docs;
  QtFileSystem real{home.UPath(), home.UPath("config"), home.UPath("state")};
  headless::FaultFileSystem fs{real};
  std::unique_ptr<headless::HeadlessEditor> editor;

  // A fresh editor started with this command line (a new run of the program).
  headless::HeadlessEditor& Start(const String& commandLine = {}, headless::EditorSetup setup = {}) {
    editor.reset();
    editor = std::make_unique<headless::HeadlessEditor>(fs, std::move(setup));
    editor->app.Dispatch(StartEvent{commandLine});
    return *editor;
  }
  App& app() { return editor->app; }
  const String& Panel(int panel) const { return editor->statusBar.Panel(panel); }
  const String& Caption() const { return editor->window.Caption(); }
  // Replaces the document's text as the user would (raises Change).
  void SetText(const String& text) { AppTestAccess::Document(app()).SetText(text); }
};

}  // namespace quilmar::testing
