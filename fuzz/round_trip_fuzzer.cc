// Load-then-save of random file contents through the editor: the file is opened from the
// command line, written back with ":w", and its bytes must come back unchanged. The one
// documented exception is a file that mixes line-end styles: every line end is then written
// in the style used most, and nothing else changes. Where that rewrite would make a Latin-1
// file read back as something else, the text is written as UTF-8 instead (files/encoding.hh);
// then the text, not the bytes, must come back.
#include <string>

#include "files/encoding.hh"
#include "fuzz_text.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace {

using namespace quilmar;

// The file's units: UTF-16 files are read in pairs of bytes after their mark, others by byte.
struct Units {
  std::size_t width = 1;   // bytes per unit
  std::size_t first = 0;   // where the units start (after a UTF-16 mark)
  bool bigEndian = false;
};

Units UnitsOf(Encoding encoding) {
  if (encoding == Encoding::Utf16LE) return {2, 2, false};
  if (encoding == Encoding::Utf16BE) return {2, 2, true};
  return {};
}

struct LineEnds {
  std::size_t lf = 0, crlf = 0, cr = 0;
  int Styles() const { return (lf > 0) + (crlf > 0) + (cr > 0); }
};

// The bytes with every line end (LF, CRLF, a lone CR) written as `style`, in the file's units.
std::string RewriteLineEnds(std::string_view bytes, Units units, LineEnd style, LineEnds& counted) {
  auto unitAt = [&](std::size_t i) -> unsigned {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    if (units.width == 1) return b(i);
    return units.bigEndian ? (b(i) << 8) | b(i + 1) : b(i) | (b(i + 1) << 8);
  };
  auto put = [&](std::string& out, unsigned unit) {
    if (units.width == 1) {
      out += static_cast<char>(unit);
    } else if (units.bigEndian) {
      out += static_cast<char>(unit >> 8);
      out += static_cast<char>(unit & 0xFF);
    } else {
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
    }
  };
  std::string out(bytes.substr(0, units.first));
  const std::size_t w = units.width;
  for (std::size_t i = units.first; i + w <= bytes.size(); i += w) {
    const unsigned u = unitAt(i);
    if (u != '\r' && u != '\n') {
      put(out, u);
      continue;
    }
    if (u == '\n') {
      ++counted.lf;
    } else if (i + 2 * w <= bytes.size() && unitAt(i + w) == '\n') {
      ++counted.crlf;
      i += w;
    } else {
      ++counted.cr;
    }
    if (style != LineEnd::LF) put(out, '\r');
    if (style != LineEnd::CR) put(out, '\n');
  }
  return out;
}

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
  headless::MemoryFileSystem fs;
  fs.AddFile(path, original);
  headless::HeadlessEditor editor(fs);
  editor.app.Dispatch(StartEvent{path});
  editor.Type(":w");
  editor.Key(key::Return);
  if (editor.statusBar.Panel(1) != u"Written") fuzz::Fail("the write failed", fuzz::Show(editor.statusBar.Panel(1)));
  const std::string written = *fs.Bytes(path);
  if (written == original) return 0;

  const Decoded before = Decode(original);
  LineEnds counted;
  const std::string expected =
      RewriteLineEnds(original, UnitsOf(before.format.encoding), before.format.lineEnd, counted);
  const std::string context = "\nread:    " + Hex(original) + "\nwritten: " + Hex(written);
  if (counted.Styles() < 2) fuzz::Fail("a file with one line-end style changed on a round trip", context);
  if (written == expected) return 0;
  const Decoded after = Decode(written);
  const bool toUtf8 = before.format.encoding == Encoding::Latin1 &&
                      (after.format.encoding == Encoding::Utf8 || after.format.encoding == Encoding::Utf8Bom);
  if (!toUtf8 || after.text != before.text)
    fuzz::Fail("a file with mixed line ends changed more than its line ends", context + "\nexpected: " + Hex(expected));
  return 0;
}
