#pragma once
// A headless editor on an in-memory file system, for the App's tests.
#include <memory>

#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace quilmar::testing_support {

struct Editor {
  explicit Editor(headless::EditorSetup setup = {}) : ed(fs, std::move(setup)) {}
  headless::MemoryFileSystem fs;
  headless::HeadlessEditor ed;
  App& app() { return ed.app; }
  const String& Panel(int panel) const { return ed.statusBar.Panel(panel); }
  String SettingsPath() const { return fs.Join(fs.ProgramFolder(), u"quilmar.ini"); }
};

}  // namespace quilmar::testing_support
