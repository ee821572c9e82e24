// Runs the behaviour cases of tests/cases/data (case_file.hh): each case headless and in the
// real window, both through quilmar-batch's drivers, and checks each against what the case
// expects. The files are read when the program starts, so a new case needs no rebuild; a
// failure names the file and the line of the field that differs.
#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "case_file.hh"
#include "driver.hh"
#include "headless_driver.hh"
#include "marked_text.hh"
#include "qt_driver.hh"
#include "qt_file_system.hh"
#include "temp_folder.hh"

namespace quilmar::testing {
namespace {

using batch::Snapshot;

// The state a case expects, read off a snapshot as the case writes it.
std::optional<std::string> Actual(const std::string& field, const Snapshot& s) {
  const auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
  if (field == "out") {
    const std::int64_t anchor = s.caret == s.selStart ? s.selStart + s.selLength : s.selStart;
    return RenderMarked(s.text, anchor, s.caret, false);
  }
  if (field == "message") return ToUtf8(s.panels.at(0));
  if (field == "mode") return ToUtf8(s.panels.at(1));
  if (field == "position") return ToUtf8(s.panels.at(3));
  if (field == "copied") return ToUtf8(s.clipboard);
  if (field == "cmdText") return ToUtf8(s.cmdText);
  if (field == "commandMode") return flag(s.commandMode);
  if (field == "locked") return flag(s.locked);
  if (field == "pendingDelete") return flag(s.pendingDelete);
  if (field == "textChanged") return flag(s.textChanged);
  if (field == "closed") return flag(s.closed);
  if (field == "focus") return s.focus;
  if (field == "searchPos") return std::to_string(s.searchPos);
  return std::nullopt;  // a field that sets the case up
}

// The expected value in the form Actual gives it.
std::string Expected(const std::string& field, const std::string& written) {
  if (field == "out") {
    const Marked m = ParseMarked(written);
    return RenderMarked(m.text, m.anchor, m.caret, false);
  }
  return Unescape(written);
}

Snapshot RunCase(const Case& c, bool inWindow, const std::vector<batch::ScriptStep>& steps) {
  TempFolder home;
  const std::optional<std::string> cols = c.Field("cols");
  home.Write("quilmar.ini", cols ? "WordWrap=True\r\n" : "WordWrap=False\r\n");
  const Marked in = ParseMarked(c.Field("in").value_or("|"));
  home.Write("doc.txt", ToUtf8(in.text));
  batch::RunOptions options;
  options.home = home.Path();
  options.clipboard = FromUtf8(Unescape(c.Field("clipboard").value_or("")));
  if (cols) options.cols = std::stoi(*cols);
  // Files the keys write by a bare name land in the case's own folder.
  const QString startDir = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(home.Path()));
  QtFileSystem fs(home.UPath(), {}, home.UPath("state"));
  std::unique_ptr<batch::Driver> driver =
      inWindow ? batch::MakeQtDriver(options) : batch::MakeHeadlessDriver(options, fs);
  driver->Start(home.UPath("doc.txt"));
  driver->Send(SelectEvent{in.anchor, in.caret});
  for (const batch::ScriptStep& step : steps) batch::Deliver(*driver, step);
  Snapshot state = driver->Read();
  driver.reset();
  QDir::setCurrent(startDir);
  return state;
}

class CaseTest : public ::testing::Test {
 public:
  CaseTest(Case c, bool inWindow) : case_(std::move(c)), inWindow_(inWindow) {}

  void TestBody() override {
    const char* file = case_.file.c_str();
    const std::string where = std::string(inWindow_ ? "in the window" : "headless") + ", case \"" + case_.name + "\"";
    const batch::KeyScript script = batch::ParseKeyScript(case_.Field("keys").value_or(""));
    if (script.error) {
      ADD_FAILURE_AT(file, case_.fieldLines.count("keys") ? case_.fieldLines.at("keys") : case_.line) << *script.error;
      return;
    }
    Snapshot state;
    try {
      state = RunCase(case_, inWindow_, script.steps);
    } catch (const std::exception& e) {
      ADD_FAILURE_AT(file, case_.line) << where << ": " << e.what();
      return;
    }
    // In the order the case gives them.
    std::vector<std::pair<int, std::string>> fields;
    for (const auto& [field, line] : case_.fieldLines) fields.emplace_back(line, field);
    std::sort(fields.begin(), fields.end());
    for (const auto& [line, field] : fields) {
      const std::optional<std::string> actual = Actual(field, state);
      if (!actual) continue;
      const std::string expected = Expected(field, case_.fields.at(field));
      if (*actual != expected)
        ADD_FAILURE_AT(file, line)
            << where << ", keys " << case_.Field("keys").value_or("") << "\n  " << field << " expected: " << expected
            << "\n  " << std::string(field.size(), ' ') << "   actual: " << *actual;
    }
  }

 private:
  Case case_;
  bool inWindow_;
};

std::string TestName(std::string text) {
  for (char& ch : text)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return text;
}

// A file that cannot be read as cases is a failure of its own.
class BadFile : public ::testing::Test {
 public:
  explicit BadFile(std::string error) : error_(std::move(error)) {}
  void TestBody() override { ADD_FAILURE() << error_; }

 private:
  std::string error_;
};

void RegisterFile(const std::filesystem::path& path) {
  const std::string stem = TestName(path.stem().string());
  CaseFile file = ReadCaseFile(path.string());
  if (file.error) {
    const std::string error = *file.error;
    ::testing::RegisterTest("CaseFile", stem.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                            [error]() -> ::testing::Test* { return new BadFile(error); });
    return;
  }
  for (const Case& c : file.cases) {
    const std::string name = TestName(c.name);
    ::testing::RegisterTest(("Headless_" + stem).c_str(), name.c_str(), nullptr, nullptr, c.file.c_str(), c.line,
                            [c]() -> ::testing::Test* { return new CaseTest(c, false); });
    // Cells (cols) and pixels lay text out differently; such cases say so and stay headless.
    if (c.Field("cols") || c.Field("headless")) continue;
    ::testing::RegisterTest(("Window_" + stem).c_str(), name.c_str(), nullptr, nullptr, c.file.c_str(), c.line,
                            [c]() -> ::testing::Test* { return new CaseTest(c, true); });
  }
}

}  // namespace
}  // namespace quilmar::testing

// Arguments after GoogleTest's own: case files or folders of them (default: the source tree's).
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) paths.emplace_back(argv[i]);
  if (paths.empty()) paths.emplace_back(QUILMAR_SOURCE_DIR "/tests/cases/data");
  std::vector<std::filesystem::path> files;
  for (const auto& path : paths) {
    if (!std::filesystem::is_directory(path)) {
      files.push_back(path);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(path))
      if (entry.path().extension() == ".txt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) quilmar::testing::RegisterFile(file);
  return RUN_ALL_TESTS();
}
