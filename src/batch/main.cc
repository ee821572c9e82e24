// quilmar-batch: runs the real editor on a key script, headless or through the window, and
// prints its final state as one JSON object.
#include <QCoreApplication>
#include <QLibrary>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "batch_options.hh"
#include "headless_driver.hh"
#include "json_output.hh"
#include "key_script.hh"
#include "qt_file_system.hh"
#include "temp_home.hh"

namespace qb = quilmar::batch;

namespace {

constexpr int kBadUsage = 2;
constexpr int kEditorFailed = 1;

int Refuse(const std::string& message) {
  std::cerr << "quilmar-batch: " << message << "\n";
  return kBadUsage;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return content.str();
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// The window for --qt lives in a module beside the program, so that a headless run never loads
// Qt's GUI libraries. Null, with the reason in `error`, when it cannot be loaded.
std::unique_ptr<qb::Driver> LoadWindow(const qb::RunOptions& options, const char* argv0, std::string& error) {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) program = std::filesystem::absolute(argv0, ec);
  QLibrary module(QString::fromStdString((program.parent_path() / QUILMAR_BATCH_WINDOW).string()));
  using Entry = qb::Driver* (*)(const qb::RunOptions*);
  const auto entry = reinterpret_cast<Entry>(module.resolve("QuilmarBatchWindow"));
  if (!entry) {
    error = module.errorString().toStdString();
    return nullptr;
  }
  // The module stays loaded to the end of the program: its code runs the driver.
  return std::unique_ptr<qb::Driver>(entry(&options));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const qb::ParsedOptions parsed = qb::ParseBatchOptions(args);
  if (parsed.error) return Refuse(*parsed.error);
  qb::BatchOptions options = parsed.options;
  options.run.omitText = options.omitText;
  if (options.help) {
    std::cout << qb::kBatchUsage;
    return 0;
  }

  // Every script is read and parsed before the editor starts: a bad one runs nothing.
  std::vector<qb::ScriptStep> steps;
  for (const auto& source : options.scripts) {
    std::string text = source.value;
    if (source.isFile) {
      auto content = ReadFile(source.value);
      if (!content) return Refuse("--keys-file " + source.value + ": cannot be read");
      text = std::move(*content);
    }
    qb::KeyScript script = qb::ParseKeyScript(text);
    if (script.error)
      return Refuse((source.isFile ? "--keys-file " + source.value : std::string("--keys")) +
                    ": " + *script.error);
    steps.insert(steps.end(), script.steps.begin(), script.steps.end());
  }

  std::unique_ptr<qb::TempHome> tempHome;
  try {
    if (options.run.home.empty()) {
      tempHome = std::make_unique<qb::TempHome>();
      options.run.home = tempHome->Path().string();
    } else {
      std::error_code error;
      if (!std::filesystem::is_directory(options.run.home, error))
        return Refuse("--home " + options.run.home + ": no such folder");
      options.run.home = std::filesystem::absolute(options.run.home).lexically_normal().string();
    }
  } catch (const std::exception& e) {
    return Refuse(e.what());
  }

  // Qt reads its own options from the arguments; it gets none of ours. With --qt the window
  // module makes its own QApplication.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  std::unique_ptr<QCoreApplication> application;
  if (options.qt) {
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
  } else {
    application = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
  }

  try {
    // Copies of files written in place stay below the home folder: separate runs (each with a
    // temporary home by default) never see each other's.
    const quilmar::String home = quilmar::FromBytesEscaped(options.run.home);
    quilmar::QtFileSystem fs(home, {}, home + u"/state");
    std::unique_ptr<qb::Driver> driver;
    if (options.qt) {
      std::string error;
      driver = LoadWindow(options.run, argv[0], error);
      if (!driver) return Refuse("--qt is not available: " + error);
    } else {
      driver = qb::MakeHeadlessDriver(options.run, fs);
    }
    std::unique_ptr<std::ofstream> progress;
    if (!options.progress.empty()) progress = std::make_unique<std::ofstream>(options.progress, std::ios::app);
    std::size_t pauses = 0;
    driver->Start(options.commandLine);
    // At a pause the progress file (if any) learns how many pauses the script has reached: a
    // test that kills the program knows what it had done.
    const auto atPause = [&] {
      if (progress) *progress << ++pauses << std::endl;
    };
    for (const auto& step : steps) qb::Deliver(*driver, step, atPause);
    const std::string json = qb::SnapshotJson(driver->Read(), options.omitText);
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  } catch (const std::exception& e) {
    std::cerr << "quilmar-batch: the editor failed: " << e.what() << "\n";
    return kEditorFailed;
  }
  return 0;
}
