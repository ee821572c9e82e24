// The document and its layout on big texts: loading to a ready model (wrapped and not),
// random line queries, single-character insertions, relayout after a resize, Find, and memory.
//
//   build-a/bench/quilmar-bench --benchmark_filter='^Text'
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "platform/measure.hh"
#include "text/document.hh"
#include "text/line_breaker.hh"
#include "text/tab_stops.hh"
#include "text/text_model.hh"

namespace quilmar::bench {
namespace {

constexpr long kMB10 = 10'000'000;
constexpr long kMB100 = 100'000'000;
constexpr int kQueries = 100'000;
const char16_t kRare[] = u"zanzibar";  // once, at the very end

// `bytes` ASCII characters (so as many UTF-16 units) of lines of about 60 characters made
// of words, with "\r\n" breaks.
String MakeText(long bytes) {
  static const char* const kWords[] = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur",
                                       "adipiscing", "elit", "sed", "do", "eiusmod", "tempor",
                                       "incididunt", "ut", "labore", "et", "magna", "aliqua"};
  std::mt19937 rng(42);
  String text;
  text.reserve(static_cast<std::size_t>(bytes));
  const std::size_t tail = sizeof(kRare) / sizeof(char16_t) + 8;
  while (text.size() + 70 + tail < static_cast<std::size_t>(bytes)) {
    std::size_t lineStart = text.size();
    while (text.size() - lineStart < 55) {
      for (const char* w = kWords[rng() % std::size(kWords)]; *w; ++w) text.push_back(char16_t(*w));
      text.push_back(u' ');
    }
    text.back() = u'\r';
    text.push_back(u'\n');
  }
  text += u"the ";
  text += kRare;
  while (text.size() < static_cast<std::size_t>(bytes)) text.push_back(u'.');
  return text;
}

const String& TextOf(long bytes) {
  static std::map<long, String> cache;
  auto it = cache.find(bytes);
  if (it == cache.end()) it = cache.emplace(bytes, MakeText(bytes)).first;
  return it->second;
}

// The process's peak resident memory, in megabytes.
double PeakMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024;
    }
    std::getline(status, key);
  }
  return 0;
}

// A loaded model, wrapped at 80 cells or not wrapped (the editor's 10000-cell margin).
struct LoadedModel {
  LoadedModel(long bytes, bool wrap) : measure(80, 25), model(measure) {
    model.SetRightMargin(wrap ? 0 : 10000);
    model.LoadText(TextOf(bytes));
    model.ContinueLayout(0);  // all of it, as the window does when idle
  }
  CellMeasure measure;
  TextModel model;
};

LoadedModel& Loaded(long bytes, bool wrap) {
  static std::map<std::pair<long, bool>, std::unique_ptr<LoadedModel>> cache;
  auto& slot = cache[{bytes, wrap}];
  if (!slot) {
    cache.clear();  // keep one big model alive at a time
    auto& fresh = cache[{bytes, wrap}];
    fresh = std::make_unique<LoadedModel>(bytes, wrap);
    return *fresh;
  }
  return *slot;
}

benchmark::Counter PerQuery() {
  return benchmark::Counter(kQueries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Args: bytes, wrap (1 on, 0 off), tab stops (1: the editor's 32 stops for TabSpaces 4 set
// after the load, as the file loader does).
void TextLoad(benchmark::State& state) {
  const long bytes = state.range(0);
  const bool wrap = state.range(1) != 0;
  const bool stops = state.range(2) != 0;
  CellMeasure measure(80, 25);
  TextModel model(measure);
  model.SetRightMargin(wrap ? 0 : 10000);
  for (auto _ : state) {
    state.PauseTiming();
    model.LoadText(String());
    String copy = TextOf(bytes);
    state.ResumeTiming();
    model.LoadText(std::move(copy));
    if (stops) {
      model.SetSelTabCount(32);
      for (int i = 0; i < 32; ++i) model.SetSelTabs(i, i * 3);
    }
    benchmark::DoNotOptimize(model.GetLineCount());
  }
  state.counters["lines"] = model.GetLineCount().value();
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(TextLoad)
    ->ArgsProduct({{kMB10, kMB100}, {1, 0}, {0}})
    ->Args({kMB10, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Random places in [0, limit]: positions or line numbers.
template <typename Place>
std::vector<Place> RandomPlaces(Place limit, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Place> out(kQueries);
  for (Place& p : out) p = static_cast<std::int32_t>(rng() % static_cast<unsigned>(limit.value() + 1));
  return out;
}

void TextLineFromChar(benchmark::State& state) {
  TextModel& model = Loaded(state.range(0), state.range(1) != 0).model;
  const auto positions = RandomPlaces(model.Length(), 1);
  for (auto _ : state) {
    for (CharPos p : positions) benchmark::DoNotOptimize(model.LineFromChar(p));
  }
  state.counters["per_query"] = PerQuery();
}
BENCHMARK(TextLineFromChar)->ArgsProduct({{kMB10, kMB100}, {1, 0}})->Unit(benchmark::kMillisecond);

void TextLineIndex(benchmark::State& state) {
  TextModel& model = Loaded(state.range(0), state.range(1) != 0).model;
  const auto lines = RandomPlaces(model.GetLineCount() - 1, 2);
  for (auto _ : state) {
    for (LineNo l : lines) benchmark::DoNotOptimize(model.LineIndex(l));
  }
  state.counters["per_query"] = PerQuery();
}
BENCHMARK(TextLineIndex)->ArgsProduct({{kMB10, kMB100}, {1, 0}})->Unit(benchmark::kMillisecond);

// As the editor inserts: move the caret, assign SelText (undo history and events included).
void TextInsertChar(benchmark::State& state) {
  TextModel& model = Loaded(state.range(0), state.range(1) != 0).model;
  const auto positions = RandomPlaces(model.Length(), 3);
  for (auto _ : state) {
    for (CharPos p : positions) {
      model.SetSelStart(p);
      model.SetSelText(u"x");
    }
  }
  state.counters["per_query"] = PerQuery();
  // The edits stay in the cached model: later benchmarks see a slightly longer text.
}
BENCHMARK(TextInsertChar)->ArgsProduct({{kMB10, kMB100}, {1}})->Unit(benchmark::kMillisecond)->Iterations(1);

// One paragraph of 10 MB (no breaks at all), wrapped at 80 cells: each edit re-wraps from
// two lines before it until the breaks line up with the old ones again.
void TextGiantParagraphInsert(benchmark::State& state) {
  String text = TextOf(kMB10);
  for (char16_t& c : text) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  CellMeasure measure(80, 25);
  TextModel model(measure);
  model.LoadText(std::move(text));
  std::mt19937 rng(4);
  constexpr int kEdits = 1000;
  std::vector<CharPos> positions(kEdits);
  for (CharPos& p : positions) p = static_cast<std::int32_t>(rng() % static_cast<unsigned>(model.Length().value()));
  for (auto _ : state) {
    for (CharPos p : positions) {
      model.SetSelStart(p);
      model.SetSelText(u"x");
      benchmark::DoNotOptimize(model.LineFromChar(p));
    }
  }
  state.counters["lines"] = model.GetLineCount().value();
  state.counters["per_edit"] = benchmark::Counter(kEdits, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(TextGiantParagraphInsert)->Unit(benchmark::kMillisecond)->Iterations(3);

// A resize of a wrapped 10 MB text: every paragraph it shows is laid out again. Arg 1: edits
// replaced all but a few lines of it first; the text they replaced must cost nothing, so
// that relayout takes microseconds rather than the whole text's time.
void TextRelayoutAfterWidthChange(benchmark::State& state) {
  CellMeasure measure(80, 25);
  TextModel model(measure);
  model.SetRightMargin(0);
  model.LoadText(TextOf(kMB10));
  model.ContinueLayout(0);  // all of it, as the window does when idle
  if (state.range(0) != 0) {
    model.SetSelStart(100);
    model.SetSelLength(model.Length() - 200);
    model.SetSelText(u"replaced");
  }
  model.UpdateLayout();
  int cols = 80;
  for (auto _ : state) {
    cols = cols == 80 ? 81 : 80;
    measure.Resize(cols, 25);
    model.Relayout();
    benchmark::DoNotOptimize(model.GetLineCount());
  }
  state.counters["lines"] = model.GetLineCount().value();
}
BENCHMARK(TextRelayoutAfterWidthChange)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A word that occurs once, at the very end: the whole text is scanned.
void TextFindRare(benchmark::State& state) {
  TextModel& model = Loaded(state.range(0), true).model;
  const FindOptions options = (state.range(1) != 0 ? FindOptions::MatchCase : FindOptions::None) | FindOptions::NoHighlight;
  std::optional<CharPos> hit;
  for (auto _ : state) {
    hit = model.Find(kRare, 0, std::nullopt, options);
    benchmark::DoNotOptimize(hit);
  }
  if (!hit) state.SkipWithError("the rare word was not found");
}
BENCHMARK(TextFindRare)->ArgsProduct({{kMB10, kMB100}, {1, 0}})->Unit(benchmark::kMillisecond);

// Memory of the document (text, tree, layout) against the text's UTF-16 size, and the
// process's peak. The text is made straight into the document (no cached copy), so the peak
// of a run of this benchmark alone is the document's:
//   build-a/bench/quilmar-bench --benchmark_filter=TextMemory/100000000
void TextMemory(benchmark::State& state) {
  const long bytes = state.range(0);
  CellMeasure measure(80, 25);
  TabStops tabs;
  LineBreaker breaker(measure, tabs);
  breaker.Configure(80);
  std::size_t used = 0;
  for (auto _ : state) {
    Document doc(breaker);
    doc.Assign(MakeText(bytes));
    used = doc.MemoryUse();
    benchmark::DoNotOptimize(used);
  }
  const double utf16 = 2.0 * static_cast<double>(bytes);
  state.counters["model_MB"] = static_cast<double>(used) / 1e6;
  state.counters["model_x_utf16"] = static_cast<double>(used) / utf16;
  state.counters["peak_MB"] = PeakMegabytes() * 1.048576;
  state.counters["peak_x_utf16"] = PeakMegabytes() * 1048576.0 / utf16;
}
BENCHMARK(TextMemory)->Arg(kMB10)->Arg(kMB100)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace quilmar::bench
