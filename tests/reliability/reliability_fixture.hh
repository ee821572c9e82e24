#pragma once
// An editor for reliability tests: the real file system on temporary folders, wrapped in the
// fault injector, and a document opened from the command line and edited like a user does.
#include "../files/editor_fixture.hh"

namespace quilmar::testing {

class ReliabilityTest : public EditorTest {
 protected:
  const String& Message() const { return editor->statusBar.Panel(1); }
  // Keys as typed: Command mode commands, text, and Enter at the end of a command line.
  void Command(std::string_view line) {
    editor->Type(line);
    editor->Key(key::Return);
  }
  // "A" appends the text at the end of the first line, Escape returns to Command mode.
  void AppendToFirstLine(std::string_view text) {
    editor->Type("A");
    editor->Type(text);
    editor->Key(key::Escape);
  }
};

}  // namespace quilmar::testing
