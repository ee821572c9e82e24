#include "headless_editor.hh"

#include "platform/us_keyboard.hh"

namespace quilmar::headless {

HeadlessEditor::HeadlessEditor(FileSystemPort& fileSystem, EditorSetup setup)
    : messageBox(std::move(setup.answers)),
      dialogs(std::move(setup.fileDialogs), std::move(setup.fontDialogs)),
      clipboard(std::move(setup.clipboard)),
      printer(std::move(setup.printers)),
      fs(fileSystem),
      measure(setup.cols, setup.rows),
      app(Ports{statusBar, menus, focus, window, messageBox, dialogs, windows, clipboard, fs, printer},
          measure) {}

void HeadlessEditor::Key(KeyCode code, ShiftState shift, String text) {
  app.Dispatch(KeyDownEvent{KeyEvent{code, shift, std::move(text)}});
}

void HeadlessEditor::Type(std::string_view ascii) {
  for (char c : ascii)
    if (auto key = UsKeyFor(c)) app.Dispatch(KeyDownEvent{*key});
}

}  // namespace quilmar::headless
