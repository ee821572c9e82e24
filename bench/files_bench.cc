// Opening and saving big files in the core: read, decode, load into the model (wrap on and
// off), and writing the unchanged document back. Files of ~60-character lines, UTF-8 (a few
// non-ASCII letters) and Latin-1 (one accented byte per line, so detection falls back early).
//
// Counters: MB/s of file bytes, and for the loads peak_ratio = the process's peak resident
// growth during one load / the UTF-16 size of the text (the memory target is < 2.5).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "files/encoding.hh"
#include "app_test_access.hh"
#include "files/open_file.hh"
#include "files/save_file.hh"
#include "headless_editor.hh"
#include "qt_file_system.hh"
#include "process_memory.hh"

namespace quilmar {
namespace {

using bench::ResetPeak;
using bench::StatusKb;

enum Kind { kUtf8 = 0, kLatin1 = 1 };

std::string MakeBytes(std::size_t size, Kind kind) {
  std::string bytes;
  bytes.reserve(size + 80);
  const std::string accent = kind == kUtf8 ? "\xC3\xA9" : "\xE9";
  for (long line = 0; bytes.size() < size; ++line) {
    bytes += "line " + std::to_string(line) + " of the benchmark text, caf" + accent + " and more words\n";
  }
  bytes.resize(size);
  bytes.back() = '\n';
  return bytes;
}

// The benchmark files, written once per run into the temporary folder.
const std::string& FileFor(std::size_t size, Kind kind) {
  static std::map<std::pair<std::size_t, int>, std::string> paths;
  auto& path = paths[{size, kind}];
  if (path.empty()) {
    path = (std::filesystem::temp_directory_path() /
            ("quilmar-bench-" + std::to_string(::getpid()) + "-" + std::to_string(size) + (kind == kUtf8 ? "-utf8" : "-latin1")))
               .string();
    std::ofstream(path, std::ios::binary) << MakeBytes(size, kind);
  }
  return path;
}

struct Cleanup {
  ~Cleanup() {
    for (auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
      if (entry.path().filename().string().rfind("quilmar-bench-" + std::to_string(::getpid()) + "-", 0) == 0)
        std::filesystem::remove(entry.path());
  }
} cleanup;

// args: size in bytes, kind, wrap (1 on, 0 off)
void BM_OpenFile(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const String path = FromUtf8(FileFor(size, static_cast<Kind>(state.range(1))));
  QtFileSystem fs(FromUtf8(std::filesystem::temp_directory_path().string()));
  double peakRatio = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto editor = std::make_unique<headless::HeadlessEditor>(fs);
    if (state.range(2) == 0) editor->app.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
    ResetPeak();
    const long before = StatusKb("VmRSS:");
    state.ResumeTiming();
    OpenFile(AppTestAccess::Files(editor->app), path);
    state.PauseTiming();
    const double utf16Kb = editor->app.Document().Length().value() * 2.0 / 1024;
    peakRatio = (StatusKb("VmHWM:") - before) / utf16Kb;
    if (editor->app.Document().Length() == 0) state.SkipWithError("nothing loaded");
    editor.reset();
    state.ResumeTiming();
  }
  state.counters["peak_ratio"] = peakRatio;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// Saving the unchanged document: Text, Encode and the atomic write with its sync (args:
// size, kind). The file is a copy, so the source stays as generated.
void BM_SaveFile(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::string source = FileFor(size, static_cast<Kind>(state.range(1)));
  const std::string copy = source + "-saved";
  std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
  QtFileSystem fs(FromUtf8(std::filesystem::temp_directory_path().string()));
  headless::HeadlessEditor editor(fs);
  AppTestAccess::Files(editor.app).state.CurrentFile = FromUtf8(copy);
  OpenFile(AppTestAccess::Files(editor.app), FromUtf8(copy));
  for (auto _ : state) {
    SaveFile(AppTestAccess::Files(editor.app), editor.app.Files().CurrentFile(), false, false);
    if (editor.statusBar.Panel(1) != u"Written") state.SkipWithError("not written");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The save without the disk: the text out of the model and encoded.
void BM_TextAndEncode(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  Decoded decoded = Decode(MakeBytes(size, static_cast<Kind>(state.range(1))));
  CellMeasure measure(80, 25);
  TextModel model(measure);
  model.LoadText(decoded.text);
  for (auto _ : state) benchmark::DoNotOptimize(Encode(model.Text(), decoded.format));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_Decode(benchmark::State& state) {
  const std::string bytes = MakeBytes(static_cast<std::size_t>(state.range(0)), static_cast<Kind>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(Decode(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// The parts of an open, for telling where its time goes.
void BM_ReadAll(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const String path = FromUtf8(FileFor(size, kUtf8));
  QtFileSystem fs(FromUtf8(std::filesystem::temp_directory_path().string()));
  for (auto _ : state) benchmark::DoNotOptimize(fs.ReadAll(path));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_LoadText(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const String text = Decode(MakeBytes(size, kUtf8)).text.ToString();
  CellMeasure measure(80, 25);
  for (auto _ : state) {
    state.PauseTiming();
    auto model = std::make_unique<TextModel>(measure);
    model->SetRightMargin(state.range(1) ? 0 : 10000);
    String copy = text;
    state.ResumeTiming();
    model->LoadText(std::move(copy));
    model->ContinueLayout(0);  // the whole layout, not only the first screen's
    state.PauseTiming();
    model.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The recovery record of a big document, which the first key after the load starts (args:
// size). The key itself, timed on the editor's thread, only captures the document's pieces
// (counter key_ms); the iteration's time is the writer thread's work until the record is on
// disk: the document encoded, written and synced.
void BM_RecordSnapshot(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const String path = FromUtf8(FileFor(size, kUtf8));
  const std::filesystem::path records =
      std::filesystem::temp_directory_path() / ("quilmar-bench-state-" + std::to_string(::getpid()));
  QtFileSystem fs(FromUtf8(std::filesystem::temp_directory_path().string()), {}, FromUtf8(records.string()));
  double keyMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto editor = std::make_unique<headless::HeadlessEditor>(fs);
    AppTestAccess::Files(editor->app).state.CurrentFile = path;
    OpenFile(AppTestAccess::Files(editor->app), path);
    editor->Type("i");  // Insert mode
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    editor->Type("x");
    keyMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    AppTestAccess::FlushRecord(editor->app);
    state.PauseTiming();
    editor.reset();
    std::filesystem::remove_all(records);
    state.ResumeTiming();
  }
  state.counters["key_ms"] = keyMs;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

constexpr int64_t k10MB = 10000000, k100MB = 100000000;

BENCHMARK(BM_Decode)->ArgsProduct({{k10MB}, {kUtf8, kLatin1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAll)->Arg(k10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadText)->ArgsProduct({{k10MB}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)->ArgsProduct({{k10MB}, {kUtf8, kLatin1}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFile)
    ->ArgsProduct({{k100MB}, {kUtf8, kLatin1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_TextAndEncode)->ArgsProduct({{k10MB}, {kUtf8, kLatin1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFile)->ArgsProduct({{k10MB}, {kUtf8, kLatin1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFile)->Args({k100MB, kUtf8})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RecordSnapshot)->Arg(k10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordSnapshot)->Arg(k100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace quilmar
