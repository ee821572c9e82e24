// The Help menu: the About box and the Help window, each opened once and brought to the front
// when asked for again.
#include "app/app.hh"
#include "files/encoding.hh"

namespace quilmar {
namespace {

// Four lines: the authors and the year, an empty line, the e-mail and the web address.
constexpr char16_t kCredits[] =
    u"Written by, Quilmar developers, 2026\r\n"
    u"\r\n"
    u"Email: quilmar@example.org\r\n"
    u"Visit: https://quilmar.example.org";

// The help file's text, read afresh at each opening so an edited file shows at once. A file
// that is missing or cannot be read gives an empty text: the window opens all the same.
String ReadHelpText(const FileSystemPort& fs) {
  try {
    const String path = fs.Join(fs.ProgramFolder(), u"quilmar_help.txt");
    if (!fs.FileExists(path)) return {};
    return Decode(fs.ReadAll(path)).text.ToString();
  } catch (const FileError&) {
    return {};
  }
}

}  // namespace

void App::mnuAbout_Click() {
  if (ports.windows.AboutIsOpen()) ports.windows.RaiseAbout();
  else ports.windows.ShowAbout(kCredits);
}

void App::mnuHelpReference_Click() {
  if (ports.windows.HelpIsOpen()) ports.windows.RaiseHelp();
  else ports.windows.ShowHelp(ReadHelpText(ports.fs));
}

}  // namespace quilmar
