// The window offscreen: time to the first painted frame (no file, 10 MB, 100 MB; wrap on and
// off), one keystroke and its repaint in the middle of 100 MB or of one 5,000,000-character
// line, and the peak memory of a load.
#include <QApplication>
#include <QKeyEvent>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "frm_main.hh"
#include "headless_ports.hh"
#include "qt_measure.hh"
#include "text/line_breaker.hh"
#include "qt_file_system.hh"
#include "process_memory.hh"

namespace quilmar {
namespace {

using bench::ResetPeak;
using bench::StatusKb;

constexpr long k10MB = 10'000'000;
constexpr long k100MB = 100'000'000;
constexpr long k5MChars = 5'000'000;

void EnsureApplication() {
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "quilmar-bench";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);  // lives as long as the process
  }();
  (void)application;
}

// A file of exactly `bytes` bytes of 60-character lines, made once per run.
std::string FileOf(long bytes) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("quilmar-window-bench-" + std::to_string(bytes) + ".txt");
  std::error_code error;
  if (std::filesystem::file_size(path, error) == static_cast<std::uintmax_t>(bytes)) return path;
  std::ofstream out(path, std::ios::binary);
  const std::string line = "The quick brown fox jumps over the lazy dog, again and again.\n";
  long written = 0;
  for (; written + static_cast<long>(line.size()) <= bytes; written += static_cast<long>(line.size()))
    out << line;
  out << std::string(static_cast<std::size_t>(bytes - written), 'x');
  return path;
}

// The kinds of long line: plain words; words with emoji and combining accents in every
// sentence, so all of it is shaped, one sentence over and over; the same words in an order
// that does not repeat, as natural text's does not.
enum class LongLine { Plain, ShapedRepeated, ShapedShuffled };

// One line of `bytes` bytes (words and spaces, no line break), made once per run.
std::string LongLineFile(long bytes, LongLine kind) {
  static const char* const names[] = {"line-", "mixed-line-", "shuffled-line-"};
  const auto path = std::filesystem::temp_directory_path() /
                    (std::string("quilmar-window-bench-") + names[static_cast<int>(kind)] + std::to_string(bytes) + ".txt");
  std::error_code error;
  if (std::filesystem::file_size(path, error) == static_cast<std::uintmax_t>(bytes)) return path;
  std::ofstream out(path, std::ios::binary);
  const std::string sentence = kind == LongLine::Plain
                                   ? "The quick brown fox jumps over the lazy dog, again and again. "
                                   : "The quick brown \xF0\x9F\xA6\x8A jumps over the lazy dog, de\xCC\x81ja\xCC\x80 vu. ";
  std::vector<std::string> words;
  for (std::size_t from = 0, space; (space = sentence.find(' ', from)) != std::string::npos; from = space + 1)
    words.push_back(sentence.substr(from, space + 1 - from));
  std::uint64_t lcg = 7;  // the same order on every machine
  auto next = [&]() -> const std::string& {
    if (kind != LongLine::ShapedShuffled) return sentence;
    lcg = lcg * 6364136223846793005u + 1442695040888963407u;
    return words[(lcg >> 33) % words.size()];
  };
  long written = 0;
  for (const std::string* piece = &next(); written + static_cast<long>(piece->size()) <= bytes; piece = &next()) {
    out << *piece;
    written += static_cast<long>(piece->size());
  }
  out << std::string(static_cast<std::size_t>(bytes - written), 'x');
  return path;
}

// A state folder of this run's own (the recovery records of the benchmarks' edits go there),
// removed at exit.
const String& StateFolder() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quilmar-window-bench-state-" + std::to_string(::getpid()));
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  static const String path = FromUtf8(folder.path.string());
  return path;
}

// The main window as the program builds it, with the question of a big load answered Yes.
struct Window {
  explicit Window(bool wrap)
      : fs(FromUtf8(std::filesystem::temp_directory_path().string()), {}, StateFolder()),
        frmMain(ExternalPorts{fs, printer, &answers, nullptr}) {
    if (!wrap) frmMain.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  }
  // show, Form_Load with the file, and the first frame painted.
  void OpenAndPaint(const String& commandLine) {
    frmMain.show();
    frmMain.Start(commandLine);
    QApplication::processEvents();
    frmMain.txtMain()->viewport()->repaint();
  }
  // What the window lays out after its first frame, a slice each time the event loop is idle.
  void FinishLayout() {
    while (frmMain.app().Document().LayoutPending()) QApplication::processEvents();
  }
  QtFileSystem fs;
  headless::Printer printer;
  headless::MessageBox answers;
  FrmMain frmMain;
};

// args: file size in bytes (0: no file), wrap (1 on, 0 off)
void BM_FirstFrame(benchmark::State& state) {
  EnsureApplication();
  const long size = state.range(0);
  const String path = size ? FromUtf8(FileOf(size)) : String();
  double peakRatio = 0;
  for (auto _ : state) {
    state.PauseTiming();
    malloc_trim(0);
    auto window = std::make_unique<Window>(state.range(1) != 0);
    ResetPeak();
    const long before = StatusKb("VmRSS:");
    state.ResumeTiming();
    window->OpenAndPaint(path);
    state.PauseTiming();
    if (size && window->frmMain.app().Document().Length() == 0) state.SkipWithError("nothing loaded");
    if (size) peakRatio = (StatusKb("VmHWM:") - before) / (window->frmMain.app().Document().Length().value() * 2.0 / 1024);
    window.reset();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    malloc_trim(0);  // the next load's peak counts from what it really holds
    state.ResumeTiming();
  }
  if (size) state.counters["peak_ratio"] = peakRatio;
}

// One typed character in the middle of 100 MB (or of one 5,000,000-character line), through
// the real key path, and the repaint, with the recovery record on: the first key starts it,
// and its writer encodes and writes the snapshot while the keys go on. args: wrap (1 on, 0
// off), the file (0: 100 MB of lines, 1: the long line, 2: the long line of text that is all
// shaped, one sentence repeated, 3: the same words in an order that does not repeat).
// Counters: slowest_ms, the slowest key of the run, and slowest_cpu_ms, the time this thread
// ran during it (much less when it waited: for the writer, or for a core on a loaded
// machine), and slowest_key, which key it was (1: the one that started the record); over_2ms
// and over_5ms, how many keys took longer than 2 and 5 ms.
void BM_KeystrokeRepaint(benchmark::State& state) {
  EnsureApplication();
  Window window(state.range(0) != 0);
  const long file = state.range(1);
  window.OpenAndPaint(FromUtf8(file == 0 ? FileOf(k100MB) : LongLineFile(k5MChars, static_cast<LongLine>(file - 1))));
  const TextModel& document = window.frmMain.app().Document();
  const CharPos before = document.Length();
  QWidget* view = window.frmMain.txtMain();
  auto press = [view](Qt::Key key, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(view, &event);
  };
  press(Qt::Key_I, QStringLiteral("i"));  // Insert mode
  const CharPos middle = document.Length() / 2;
  window.frmMain.Dispatch(SelectEvent{middle, middle});
  QApplication::processEvents();
  auto threadMs = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
  };
  double slowest = 0, slowestCpu = 0;
  int over2 = 0, over5 = 0, key = 0, slowestKey = 0;
  for (auto _ : state) {
    ++key;
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = threadMs();
    press(Qt::Key_A, QStringLiteral("a"));
    window.frmMain.txtMain()->Sync();
    window.frmMain.txtMain()->viewport()->repaint();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ms > 2) ++over2;
    if (ms > 5) ++over5;
    if (ms > slowest) {
      slowest = ms;
      slowestCpu = threadMs() - startCpu;
      slowestKey = key;
    }
  }
  state.counters["slowest_ms"] = slowest;
  state.counters["slowest_cpu_ms"] = slowestCpu;
  state.counters["over_2ms"] = over2;
  state.counters["over_5ms"] = over5;
  state.counters["slowest_key"] = slowestKey;
  if (document.Length() <= before) state.SkipWithError("nothing typed");
}

// The files bench/scripts.sh makes: 10 MB each of English, Russian, Chinese and mixed text.
std::string ScriptFile(long kind) {
  static const char* const names[] = {"english.txt", "russian.txt", "chinese.txt", "mixed.txt"};
  const char* folder = std::getenv("QUILMAR_BENCH_TEXTS");
  return folder ? std::string(folder) + "/" + names[kind] : std::string();
}

// The window with word wrap on over one of those files. args: the file (0 English, 1 Russian,
// 2 Chinese, 3 mixed), what is timed (0: the load and its first frame; 1: Word Wrap off and on
// again, each with its repaint; 2: the window made narrower, to a width not laid out before,
// and its repaint; 3: the load, its first frame and the rest of the layout, which the window
// does when idle). 1 and 2 start from the whole text laid out, and include the rest of the
// layout after their repaint.
void BM_Script(benchmark::State& state) {
  EnsureApplication();
  const std::string file = ScriptFile(state.range(0));
  if (file.empty() || !std::filesystem::exists(file)) {
    state.SkipWithError("no texts: run bench/scripts.sh");
    return;
  }
  const long op = state.range(1);
  auto repaint = [](Window& w) {
    QApplication::processEvents();
    w.frmMain.txtMain()->viewport()->repaint();
    w.FinishLayout();
  };
  std::unique_ptr<Window> window;
  if (op == 1 || op == 2) {
    window = std::make_unique<Window>(true);
    window->OpenAndPaint(FromUtf8(file));
    window->FinishLayout();
  }
  for (auto _ : state) {
    if (op == 0 || op == 3) {
      state.PauseTiming();
      window = std::make_unique<Window>(true);
      state.ResumeTiming();
      window->OpenAndPaint(FromUtf8(file));
      if (op == 3) window->FinishLayout();
      state.PauseTiming();
      window.reset();
      QApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      state.ResumeTiming();
    } else if (op == 1) {
      for (int k = 0; k < 2; ++k) {
        window->frmMain.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
        repaint(*window);
      }
    } else {
      const QSize size = window->frmMain.size();
      window->frmMain.resize(size.width() - 97, size.height());
      repaint(*window);
      state.PauseTiming();
      window->frmMain.resize(size);
      repaint(*window);
      state.ResumeTiming();
    }
  }
  if (window && window->frmMain.app().Document().Length() == 0) state.SkipWithError("nothing loaded");
}

// The breaker alone over one of those files' paragraphs, measured by Qt in the default font.
// args: the file, what is timed (0: the first wrap, which measures the paragraphs of shaped
// text; 1: a wrap at a width not wrapped at before; 2 and 3: the same walking every line).
void BM_ScriptWrap(benchmark::State& state) {
  EnsureApplication();
  const std::string file = ScriptFile(state.range(0));
  std::ifstream in(file, std::ios::binary);
  if (file.empty() || !in) {
    state.SkipWithError("no texts: run bench/scripts.sh");
    return;
  }
  std::vector<String> paras;
  for (std::string line; std::getline(in, line);) paras.push_back(FromUtf8(line));
  QtMeasure measure;
  measure.SetFont(FontSpec());
  TabStops tabs;
  const bool first = state.range(1) % 2 == 0, measuring = state.range(1) < 2;
  auto breaker = std::make_unique<LineBreaker>(measure, tabs);
  if (!measuring) breaker->SetMeasuredLimit(0);
  WrapList wraps;
  std::vector<ParagraphPieces> kept(paras.size());
  std::size_t lines = 0;
  int step = 0;
  auto wrapAll = [&] {
    breaker->Configure(600 + (step++ * 37) % 300);
    lines = 0;
    for (std::size_t k = 0; k < paras.size(); ++k) {
      breaker->Wrap(paras[k], wraps, &kept[k]);
      lines += 1 + wraps.size();
    }
  };
  if (!first) wrapAll();
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      breaker = std::make_unique<LineBreaker>(measure, tabs);
      if (!measuring) breaker->SetMeasuredLimit(0);
      kept.assign(paras.size(), ParagraphPieces());
      state.ResumeTiming();
    }
    wrapAll();
  }
  state.counters["lines"] = static_cast<double>(lines);
}

BENCHMARK(BM_FirstFrame)->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstFrame)->ArgsProduct({{k10MB}, {1, 0}})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstFrame)->ArgsProduct({{k100MB}, {1, 0}})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Script)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ScriptWrap)->ArgsProduct({{0, 3}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(BM_KeystrokeRepaint)->ArgsProduct({{1, 0}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond)->MinTime(3);

}  // namespace
}  // namespace quilmar
