#pragma once
// The document the editor and command benchmarks work on: exactly 10,000,000 bytes of
// 60-character lines ("\r\n" breaks), "foo" on 100,000 of them, one rare word at the very end,
// loaded into a headless editor in Command mode with word wrap on (at 40 cells, so every line
// is laid out as two) or off.
#include <memory>
#include <string>

#include "app/app.hh"
#include "app_test_access.hh"
#include "app/options.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace quilmar::bench {

inline constexpr long kDocumentBytes = 10'000'000;
inline constexpr int kLineChars = 60;
inline constexpr int kFooCount = 100'000;
inline constexpr const char* kRareWord = "zebra";  // only in the last line

inline String MakeBigDocument() {
  const long lines = kDocumentBytes / (kLineChars + 2);
  const std::string filler = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod ";
  std::string text;
  text.reserve(kDocumentBytes);
  for (long i = 0; i < lines; ++i) {
    const bool foo = (i + 1) * kFooCount / lines > i * kFooCount / lines;  // 100,000 of the lines
    std::string line = foo ? "foo " : "";
    line += filler.substr(static_cast<std::size_t>(i % 11), static_cast<std::size_t>(kLineChars) - line.size());
    text += line;
    text += "\r\n";
  }
  std::string last = std::string("the last ") + kRareWord + " line";
  last.resize(static_cast<std::size_t>(kDocumentBytes) - text.size(), '.');
  text += last;
  return FromUtf8(text);
}

inline const String& BigDocument() {
  static const String text = MakeBigDocument();
  return text;
}

// A headless editor holding the big document.
struct BigEditor {
  explicit BigEditor(bool wrap) : editor(files, Setup()) {
    editor.app.Dispatch(StartEvent{u""});
    SetWordWrap(AppTestAccess::Document(editor.app), wrap);
    AppTestAccess::Document(editor.app).LoadText(BigDocument());
    AppTestAccess::Document(editor.app).ContinueLayout(0);  // as the window does when idle
    AppTestAccess::Mode(editor.app).EnterCommand();
  }
  static headless::EditorSetup Setup() {
    headless::EditorSetup setup;
    setup.cols = 40;
    return setup;
  }
  App& app() { return editor.app; }

  headless::MemoryFileSystem files;
  headless::HeadlessEditor editor;
};

}  // namespace quilmar::bench
