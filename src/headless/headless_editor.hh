#pragma once
// A whole editor without a window: every headless port, a cell measure and the App wired to
// them. Tests and quilmar-batch drive it through the App's entry points and read the ports.
#include "app/app.hh"
#include "headless_ports.hh"

namespace quilmar::headless {

// What a headless run starts with besides the file system.
struct EditorSetup {
  int cols = 80;   // the document's visible width in cells
  int rows = 25;   // and its height in lines
  std::deque<std::optional<String>> fileDialogs;
  std::deque<std::optional<FontSpec>> fontDialogs;
  std::deque<bool> answers;
  String clipboard;
  std::vector<String> printers;
};

class HeadlessEditor {
 public:
  explicit HeadlessEditor(FileSystemPort& fs, EditorSetup setup = {});
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  StatusBar statusBar;
  Menus menus;
  Focus focus;
  Window window;
  MessageBox messageBox;
  Dialogs dialogs;
  Windows windows;
  Clipboard clipboard;
  Printer printer;
  FileSystemPort& fs;
  CellMeasure measure;
  App app;  // last: it is built on everything above

  // Convenience for tests: one key through App::Dispatch, with the text a US keyboard types.
  void Key(KeyCode code, ShiftState shift = shift::None, String text = {});
  // Presses, for each character of the text, the US-keyboard key that types it (letters,
  // digits, punctuation, space). A character no key types (a control character, non-ASCII)
  // is skipped: tests that need one commit it with App::CommitText.
  void Type(std::string_view ascii);
};

}  // namespace quilmar::headless
