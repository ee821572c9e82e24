// The substitution of every "foo" in the 10 MB document by "barbaz", typed in the command box
// as :0,999999s/foo/barbaz/ and run by Enter. Arguments: word wrap off/on, Replace Case
// Sensitive off/on. Each iteration starts from the unchanged document (loading it is not timed).
#include <benchmark/benchmark.h>

#include "big_document.hh"
#include "app_test_access.hh"
#include "command/occurrences.hh"
#include "platform/us_keyboard.hh"

namespace quilmar::bench {
namespace {

void BM_SubstituteAll(benchmark::State& state) {
  BigEditor ed(state.range(0) != 0);
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuReplaceCase, state.range(1) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    AppTestAccess::Document(ed.app()).LoadText(BigDocument());
    AppTestAccess::Document(ed.app()).ContinueLayout(0);  // as the window does when idle
    state.ResumeTiming();
    for (char c : std::string_view(":0,999999s/foo/barbaz/")) ed.app().Dispatch(KeyDownEvent{*UsKeyFor(c)});
    ed.app().Dispatch(KeyDownEvent{KeyEvent{key::Return, shift::None, u"\r"}});
  }
  const auto& message = ed.editor.statusBar.Panel(panel::Message);
  if (message != u"100000 Replacments") state.SkipWithError(ToUtf8(message).c_str());
}
BENCHMARK(BM_SubstituteAll)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"wrap", "case"})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilmar::bench

namespace quilmar::bench {
namespace {

// The search half of the substitution alone: the document copied once and every "foo" found.
void BM_FindAllOccurrences(benchmark::State& state) {
  BigEditor ed(false);
  std::size_t hits = 0;
  const TextModel& doc = ed.app().Document();
  for (auto _ : state) {
    const String copy = doc.Slice(0, doc.Length());
    hits = FindOccurrences(copy, u"foo", 0, copy.size(), state.range(0) != 0).size();
  }
  if (hits != kFooCount) state.SkipWithError("wrong count");
}
BENCHMARK(BM_FindAllOccurrences)->ArgName("case")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quilmar::bench
