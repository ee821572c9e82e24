// LoadSettings on random file contents, then the settings round trip: whatever state a file
// led to is written at exit and must come back whole at the next start (a font name holding a
// "," is the documented exception: it shifts the fields). The document's own font may lag
// behind the dialog's after a font line that failed half way; the written file has the
// dialog's, so after the second start both agree. Values must stay within what the
// editor can use: a tab setting of one digit, a positive finite font size, word wrap switched
// exactly as its check mark says.
#include <cmath>
#include <string>

#include "app/app.hh"
#include "fuzz_text.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace {

using namespace quilmar;

constexpr StringView kSettingsPath = u"/opt/quilmar/quilmar.ini";

// What a settings file can change.
struct Applied {
  bool wordWrap, findCase, replaceCase, stCmdMode, cmdStart;
  int tabSpaces;
  FontSpec dialogFont, documentFont;
  bool commandMode;
  double rightMargin;

  static Applied Of(const App& app) {
    return {app.Checked(MenuItem::mnuWordWrap), app.Checked(MenuItem::mnuFindCase),
            app.Checked(MenuItem::mnuReplaceCase), app.Checked(MenuItem::mnuStCmdMode),
            app.Options().CmdStart(), app.Options().TabSpaces(), app.Options().DialogFont(), app.Document().Font(),
            app.Mode().CommandMode(), app.Document().RightMargin()};
  }

  std::string Describe() const {
    auto b = [](bool v) { return v ? std::string("T") : std::string("F"); };
    auto font = [&](const FontSpec& f) {
      return fuzz::Show(f.name) + "," + b(f.bold) + "," + b(f.italic) + "," + std::to_string(f.size);
    };
    return "wrap " + b(wordWrap) + " find " + b(findCase) + " replace " + b(replaceCase) + " startCmd " +
           b(stCmdMode) + " CmdStart " + b(cmdStart) + " tabs " + std::to_string(tabSpaces) + " dialog font " +
           font(dialogFont) + " document font " + font(documentFont);
  }
};

void CheckUsable(const Applied& s, const std::string& context) {
  if (s.tabSpaces < 0 || s.tabSpaces > 9) fuzz::Fail("TabSpaces is not one digit", context);
  for (const FontSpec* f : {&s.dialogFont, &s.documentFont})
    if (!std::isfinite(f->size) || f->size <= 0) fuzz::Fail("a font size no font can have", context);
  if (s.wordWrap != (s.rightMargin == 0)) fuzz::Fail("word wrap disagrees with its check mark", context);
  if (s.commandMode != s.cmdStart || s.stCmdMode != s.cmdStart)
    fuzz::Fail("the start mode disagrees with CmdStart", context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  headless::MemoryFileSystem fs;
  fs.AddFile(String(kSettingsPath), file);

  Applied first{};
  {
    headless::HeadlessEditor editor(fs);
    editor.app.Dispatch(StartEvent{String()});
    first = Applied::Of(editor.app);
    CheckUsable(first, first.Describe());
    editor.app.Dispatch(CloseEvent{});  // writes the settings
  }
  const std::string saved = fs.Bytes(String(kSettingsPath)).value_or("");
  headless::HeadlessEditor again(fs);
  again.app.Dispatch(StartEvent{String()});
  Applied second = Applied::Of(again.app);
  const std::string context = "first:  " + first.Describe() + "\nsecond: " + second.Describe() +
                              "\nwritten: " + saved;
  CheckUsable(second, context);
  // A "," in the font name shifts the fields and stops the reading there: only what is
  // written before the font line can be compared.
  const bool commaInName = first.dialogFont.name.find(u',') != String::npos;
  // The file is written in UTF-8, which has no form for half a surrogate pair (read from a
  // UTF-16 file): such a name comes back with U+FFFD in its place, as any UTF-8 writer would.
  const bool writableName = FromUtf8(ToUtf8(first.dialogFont.name)) == first.dialogFont.name;
  if (!writableName) second.dialogFont.name = second.documentFont.name = first.dialogFont.name;
  const bool same = first.cmdStart == second.cmdStart &&
                    (commaInName ||
                     (first.wordWrap == second.wordWrap && first.findCase == second.findCase &&
                      first.replaceCase == second.replaceCase && first.tabSpaces == second.tabSpaces &&
                      first.dialogFont == second.dialogFont && second.documentFont == second.dialogFont));
  if (!same) fuzz::Fail("the settings did not survive a save and a load", context);
  return 0;
}
