// Command-mode keys on a 10 MB document, each through App::KeyDown with its position-panel
// update: "n" repeated, a rare-word search over the whole text, "dd" mid-document, ":" and a
// line number, and "p" of a 1,000-line clipboard. Argument: word wrap off (0) or on (1).
// Times are per key (per command for go-to-line, per "dd" pair for the line delete).
#include <benchmark/benchmark.h>

#include <random>

#include "big_document.hh"
#include "app_test_access.hh"
#include "platform/us_keyboard.hh"

namespace quilmar::bench {
namespace {

void Press(App& app, std::string_view keys) {
  for (char c : keys) app.Dispatch(KeyDownEvent{*UsKeyFor(c)});
}

void BM_RepeatSearch(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  AppTestAccess::LastPattern(ed.app()) = u"foo";
  for (auto _ : state) Press(ed.app(), "n");
  if (ed.app().Document().SelLength() != 3) state.SkipWithError("no hit selected");
}
BENCHMARK(BM_RepeatSearch)->Arg(0)->Arg(1)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// The only occurrence is in the last line: each "n" reads the whole document.
void BM_RareWordSearch(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  AppTestAccess::LastPattern(ed.app()) = FromUtf8(kRareWord);
  for (auto _ : state) {
    AppTestAccess::SearchPos(ed.app()) = 0;
    Press(ed.app(), "n");
  }
  if (ed.app().Document().SelLength() != 5) state.SkipWithError("rare word not found");
}
BENCHMARK(BM_RareWordSearch)->Arg(0)->Arg(1)->Iterations(50)->Unit(benchmark::kMillisecond);

void BM_DeleteLineMidDocument(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  AppTestAccess::Document(ed.app()).SetSelStart(static_cast<CharPos>(BigDocument().size() / 2));
  for (auto _ : state) Press(ed.app(), "dd");
  if (ed.app().Document().Length() >= static_cast<CharPos>(BigDocument().size())) state.SkipWithError("nothing deleted");
}
BENCHMARK(BM_DeleteLineMidDocument)->Arg(0)->Arg(1)->Iterations(10000)->Unit(benchmark::kMicrosecond);

// ":" then the number then Enter, through the command box: one go-to-line per iteration.
void BM_GotoRandomLine(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  std::mt19937 random(7);
  const LineNo lines = ed.app().Document().GetLineCount();
  std::vector<std::string> commands;
  for (int i = 0; i < 10000; ++i) commands.push_back(":" + std::to_string(random() % lines.value()) + "\r");
  std::size_t next = 0;
  for (auto _ : state) {
    const std::string& command = commands[next++ % commands.size()];
    Press(ed.app(), std::string_view(command).substr(0, command.size() - 1));
    ed.app().Dispatch(KeyDownEvent{KeyEvent{key::Return, shift::None, u"\r"}});
  }
  if (ed.app().Document().SelStart() == 0) state.SkipWithError("caret did not move");
}
BENCHMARK(BM_GotoRandomLine)->Arg(0)->Arg(1)->Iterations(10000)->Unit(benchmark::kMicrosecond);

// Each "p" inserts a line break and 1,000 lines of 60 characters below the caret's line.
void BM_PutThousandLines(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  String clipboard;
  for (int i = 0; i < 1000; ++i) {
    if (i) clipboard += u"\r\n";
    clipboard += BigDocument().substr(static_cast<std::size_t>(i) * 62, 60);
  }
  ed.editor.clipboard.SetText(clipboard);
  AppTestAccess::Document(ed.app()).SetSelStart(static_cast<CharPos>(BigDocument().size() / 2));
  for (auto _ : state) Press(ed.app(), "p");
  state.counters["doc_MB"] = static_cast<double>(ed.app().Document().Length().value()) / 1e6;
}
BENCHMARK(BM_PutThousandLines)->Arg(0)->Arg(1)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quilmar::bench
