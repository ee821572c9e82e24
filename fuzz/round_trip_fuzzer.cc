// Load-then-save of random file contents through the editor: the file is opened from the
// command line and written back with ":w", once as loaded and once after an edit made and
// undone (a line joined to the next and split again); its bytes must come back unchanged,
// whatever they hold.
#include <string>

#include "fuzz_text.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace {

using namespace quilmar;

std::string Hex(std::string_view bytes) {
  std::string out;
  char buffer[4];
  for (char c : bytes.substr(0, 200)) {
    std::snprintf(buffer, sizeof buffer, "%02X ", static_cast<unsigned char>(c));
    out += buffer;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  const String path = u"/home/user/file.txt";
  for (bool edit : {false, true}) {
    headless::MemoryFileSystem fs;
    fs.AddFile(path, original);
    headless::HeadlessEditor editor(fs);
    editor.app.Dispatch(StartEvent{path});
    if (edit) {
      // Insert mode at the end of the first line; Delete joins the next line, Ctrl+Z undoes it.
      editor.Type("A");
      editor.Key(key::Delete);
      editor.Key(key::Z, shift::Ctrl);
      editor.Key(key::Escape);
    }
    editor.Type(":w");
    editor.Key(key::Return);
    if (editor.statusBar.Panel(1) != u"Written") fuzz::Fail("the write failed", fuzz::Show(editor.statusBar.Panel(1)));
    const std::string written = *fs.Bytes(path);
    if (written != original)
      fuzz::Fail(edit ? "an edit undone changed the file's bytes" : "a round trip changed the file's bytes",
                 "\nread:    " + Hex(original) + "\nwritten: " + Hex(written));
  }
  return 0;
}
