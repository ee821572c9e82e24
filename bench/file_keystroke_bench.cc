// One keystroke and its repaint in the middle of a file of the caller's (QUILMAR_BENCH_FILE,
// any size: bench/huge.sh makes gigabytes of log lines), in the window offscreen with word wrap
// on and the recovery record on: the first key starts it. Skipped without the variable.
// Counters: slowest_ms, the slowest key with its repaint; over_5ms, the keys over 5 ms.
#include <QApplication>
#include <QKeyEvent>
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "frm_main.hh"
#include "headless_ports.hh"
#include "qt_file_system.hh"

namespace quilmar {
namespace {

void BM_KeystrokeRepaintInFile(benchmark::State& state) {
  const char* file = std::getenv("QUILMAR_BENCH_FILE");
  if (!file) return state.SkipWithError("QUILMAR_BENCH_FILE names no file");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "quilmar-bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);  // lives as long as the process
  const std::filesystem::path state_folder =
      std::filesystem::temp_directory_path() / ("quilmar-file-bench-state-" + std::to_string(::getpid()));
  QtFileSystem fs(FromUtf8(std::filesystem::temp_directory_path().string()), {}, FromUtf8(state_folder.string()));
  headless::Printer printer;
  headless::MessageBox answers;  // the big file's question: Yes
  {
    FrmMain window(ExternalPorts{fs, printer, &answers, nullptr});
    window.show();
    window.Start(FromUtf8(file));
    QApplication::processEvents();
    QWidget* view = window.txtMain();
    auto press = [view](Qt::Key key, const QString& text) {
      QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
      QApplication::sendEvent(view, &event);
    };
    press(Qt::Key_I, QStringLiteral("i"));  // Insert mode
    const CharPos middle = window.app().Document().Length() / 2;
    window.Dispatch(SelectEvent{middle, middle});
    QApplication::processEvents();
    double slowest = 0;
    int over5 = 0;
    for (auto _ : state) {
      const auto start = std::chrono::steady_clock::now();
      press(Qt::Key_A, QStringLiteral("a"));
      window.txtMain()->Sync();
      window.txtMain()->viewport()->repaint();
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      over5 += ms > 5;
      slowest = std::max(slowest, ms);
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["over_5ms"] = over5;
    state.counters["length"] = static_cast<double>(window.app().Document().Length().value());
  }
  std::filesystem::remove_all(state_folder);
}

BENCHMARK(BM_KeystrokeRepaintInFile)->Unit(benchmark::kMicrosecond)->Iterations(3000);

}  // namespace
}  // namespace quilmar
