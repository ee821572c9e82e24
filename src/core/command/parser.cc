// Recognises a command line by a fixed list of tests, made in order, the first match deciding;
// then carries the command out. Nothing is trimmed and letters are never folded: ":q " and ":W"
// are no commands.
#include "command/parser.hh"

#include <array>

#include "app/panels.hh"
#include "app/like_match.hh"
#include "editor/goto_line.hh"

namespace quilmar {

namespace {

// How a test compares the line: with a fixed text, or with a wildcard pattern.
enum class Test { Equals, Like };

using Recognise = Command (*)(StringView line);

// One test of the list and the command a line that passes it asks for.
struct CommandRule {
  Test test;
  StringView text;
  Recognise command;
};

template <bool Override, bool QuitAfter>
Command WriteCurrent(StringView) { return WriteCommand{std::nullopt, Override, QuitAfter}; }

// Everything after the first space is the name, further spaces included.
template <bool Override, bool QuitAfter>
Command WriteNamed(StringView line) {
  return WriteCommand{String(line.substr(line.find(u' ') + 1)), Override, QuitAfter};
}

template <bool Force>
Command Quit(StringView) { return QuitCommand{Force}; }

Command Search(StringView line) { return SearchCommand{String(line.substr(1))}; }
Command Substitute(StringView line) { return SubstituteLine{String(line)}; }
Command GoTo(StringView line) { return GoToLineCommand{String(line.substr(1))}; }

constexpr std::array<CommandRule, 13> kCommands{{
    {Test::Equals, u":w", WriteCurrent<false, false>},
    {Test::Equals, u":w!", WriteCurrent<true, false>},
    {Test::Equals, u":q", Quit<false>},
    {Test::Equals, u":q!", Quit<true>},
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

// Carries a recognised command out.
struct Run {
  const CommandContext& c;

  void operator()(const WriteCommand& w) const { c.files.Write(w.name, w.override_, w.quitAfter); }
  void operator()(const QuitCommand& q) const { c.files.Quit(q.force); }
  void operator()(const SearchCommand& s) const {
    c.search.FindPattern(s.pattern, c.options.FindCase());
  }
  void operator()(const SubstituteLine& s) const {
    c.search.Substitute(s.line, c.options.ReplaceCase());
  }
  void operator()(const GoToLineCommand& g) const { GotoLine(c.txtMain, c.statusBar, g.text); }
  void operator()(const InvalidCommand&) const {
    c.statusBar.SetPanelText(panel::Message, u"Invalid command");
  }
};

}  // namespace

Command RecogniseCommand(StringView line) {
  for (const CommandRule& rule : kCommands)
    if (Passes(rule, line)) return rule.command(line);
  return InvalidCommand{};
}

void ParseCommand(const CommandContext& context, const String& line) {
  context.txtCmd.SetText(u"");  // first, for every line
  std::visit(Run{context}, RecogniseCommand(line));
}

}  // namespace quilmar
