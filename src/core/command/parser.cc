// Recognises a command line by a fixed list of tests, made in order, the first match deciding.
// Nothing is trimmed and letters are never folded: ":q " and ":W" are no commands.
#include "command/parser.hh"

#include <array>

#include "app/app.hh"
#include "app/like_match.hh"
#include "command/substitute.hh"
#include "editor/goto_line.hh"
#include "editor/search.hh"
#include "files/save_file.hh"

namespace quilmar {

namespace {

// How a test compares the line: with a fixed text, or with a wildcard pattern.
enum class Test { Equals, Like };

using CommandAction = void (*)(App&, const String& line);

// One test of the list and what a line that passes it runs.
struct CommandRule {
  Test test;
  StringView text;
  CommandAction action;
};

const String kInvalidCommand = Ascii("Invalid command");

// A failed write must neither end the command box's handler nor look like success. SaveFile
// reports the file system's failures itself; this catches any that still get through, with
// the same words: the file and the reason, and nothing else changes.
template <typename Write>
void Guarded(App& app, const String& path, Write write) {
  try {
    write();
  } catch (const FileError& error) {
    app.SetPanel(panel::Message, Ascii("Can't write ") + Shown(path) + Ascii(": ") + FromUtf8(error.Reason()));
  }
}

// The document's own file, or the save dialog when there is none (which never quits).
template <bool Override, bool QuitAfter>
void WriteCurrent(App& app, const String&) {
  const String file = app.modHeader.CurrentFile;  // a copy: the write may replace it
  if (file.empty())
    Guarded(app, file, [&] { SaveFileAs(app, Override); });
  else
    Guarded(app, file, [&] { SaveFile(app, file, Override, QuitAfter); });
}

// Everything after the first space, further spaces included.
template <bool Override, bool QuitAfter>
void WriteNamed(App& app, const String& line) {
  const String name = line.substr(line.find(u' ') + 1);
  Guarded(app, name, [&] { SaveFile(app, name, Override, QuitAfter); });
}

void Quit(App& app, const String&) {
  if (app.modHeader.TextChanged) {
    app.SetPanel(panel::Message, Ascii("Unsaved changes, use q! to override"));
    return;
  }
  app.CloseWindow();
}

void ForceQuit(App& app, const String&) { app.CloseWindow(); }

void Search(App& app, const String& line) {
  app.modHeader.LastPattern = line.substr(1);
  FindPattern(app, app.modHeader.LastPattern, app.Checked(MenuItem::mnuFindCase));
}

void Substitute(App& app, const String& line) { SubstituteCommand(app, line); }
void GoTo(App& app, const String& line) { GotoLine(app, line.substr(1)); }

constexpr std::array<CommandRule, 13> kCommands{{
    {Test::Equals, u":w", WriteCurrent<false, false>},
    {Test::Equals, u":w!", WriteCurrent<true, false>},
    {Test::Equals, u":q", Quit},
    {Test::Equals, u":q!", ForceQuit},
    {Test::Equals, u":wq", WriteCurrent<false, true>},
    {Test::Equals, u":w!q", WriteCurrent<true, true>},
    {Test::Like, u"[/]*", Search},
    {Test::Like, u":w *", WriteNamed<false, false>},
    {Test::Like, u":w! *", WriteNamed<true, false>},
    {Test::Like, u":wq *", WriteNamed<false, true>},
    {Test::Like, u":w!q *", WriteNamed<true, true>},
    {Test::Like, u":#*,#*s[/]*[/]*/", Substitute},
    {Test::Like, u":#*", GoTo},  // also a substitution that lacks its closing "/"
}};

bool Passes(const CommandRule& rule, StringView line) {
  return rule.test == Test::Equals ? line == rule.text : LikeMatch(line, rule.text);
}

}  // namespace

void ParseCommand(App& app, const String& line) {
  app.ports.txtCmd.SetText(u"");  // first, for every line
  for (const CommandRule& rule : kCommands) {
    if (Passes(rule, line)) {
      rule.action(app, line);
      return;
    }
  }
  app.SetPanel(panel::Message, kInvalidCommand);
}

}  // namespace quilmar
