// Load-then-save of random file contents through the editor: the file is opened from the
// command line and written back with ":w", once as loaded and once after an edit made and
// undone (a line joined to the next and split again); its bytes must come back unchanged,
// whatever they hold. Then a "€" typed at its start must add only its own bytes, after the
// file's byte-order mark, in the file's encoding (Latin-1 has none for it: nothing written).
#include <string>

#include "files/encoding.hh"
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
  headless::MemoryFileSystem fs;
  fs.AddFile(path, original);
  headless::HeadlessEditor editor(fs);
  editor.app.Dispatch(StartEvent{path});
  editor.Type("i");
  editor.app.Dispatch(CommitTextEvent{u"\u20AC"});
  editor.Key(key::Escape);
  editor.Type(":w");
  editor.Key(key::Return);
  // The euro sign's place and bytes by the file's encoding; Latin-1 has none.
  const Encoding encoding = Decode(original).format.encoding;
  const bool utf16 = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
  const std::size_t mark = encoding == Encoding::Utf8Bom ? 3 : utf16 ? 2 : 0;
  const std::string euro = !utf16 ? "\xE2\x82\xAC" : encoding == Encoding::Utf16LE ? "\xAC\x20" : "\x20\xAC";
  const bool refused = encoding == Encoding::Latin1;
  const std::string expected = refused ? original : original.substr(0, mark) + euro + original.substr(mark);
  const String message = editor.statusBar.Panel(1);
  if ((message == u"Written") == refused) fuzz::Fail("a typed euro sign was not handled", fuzz::Show(message));
  const std::string written = *fs.Bytes(path);
  if (written != expected) fuzz::Fail("a typed euro sign changed other bytes", "\nread:    " + Hex(original) + "\nwritten: " + Hex(written));
  return 0;
}
