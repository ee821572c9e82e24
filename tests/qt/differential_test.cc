// The same key scripts through the headless editor and through the real window must leave the
// same state, as quilmar-batch prints it. Only scripts that do not depend on where lines wrap
// or how many lines a page holds belong here: those differ by design (cells against pixels).
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "headless_driver.hh"
#include "json_output.hh"
#include "key_script.hh"
#include "qt_driver.hh"
#include "qt_file_system.hh"

namespace quilmar::batch {
namespace {

// One step of the script: what it does, in the key notation of quilmar-batch.
struct Step {
  const char* what;
  const char* keys;
};

const Step kSteps[] = {
    {"type three lines", "ihello world<CR>second line<CR>third line here<Esc>"},
    {"line start, delete, line end", "0xx$x"},
    {"insert keys", "iAB<Esc>aC<Esc>Istart <Esc>A end<Esc>"},
    {"punctuation typed", "A<CR>!@#$%^&*()_+-=[]{};':\",./<lt>>?`~\\|<Esc>"},
    {"arrows and editing keys", "i<Left><Left><BS><Del><Home>X<End>Y<Up>U<Down>D<Right><Esc>"},
    {"copy a line and put it", "yyp"},
    {"delete a line", "dd"},
    {"half a delete, then another key", "dx"},
    {"go to lines", ":0<CR>:2<CR>:99<CR>:x<CR>"},
    {"search and repeat", "/line<CR>n<F3>n"},
    {"search not found", "/nothing here<CR>"},
    {"case-insensitive search", "<menu:mnuFindCase>/LINE<CR>n<menu:mnuFindCase>"},
    {"substitute", ":0,2s/e/E/<CR>:0,1s/E/[e]/<CR>:5,9s/a/b/<CR>"},
    {"command box editing", ":abc<BS><BS><BS><BS>:<Esc>/x<BS><BS>"},
    {"command box keys", ":12<Left><Left>3<Home><Del>:<End><CR>"},
    {"selection with Shift and copy", "0<S-Right><S-Right><S-Right>y"},
    {"mouse copy and paste", "<sel:0,5><LeftUp><sel:7,0><RightUp><MiddleUp>"},
    {"clipboard keys in Insert mode", "i<C-a><C-c><End><CR><C-v><Esc>"},
    {"undo and redo", "i<C-z><C-z><C-y><Esc>"},
    {"Tab and Enter", "i<Tab>tabbed<CR><Esc>"},
    {"menus", "<menu:mnuWordWrap><menu:mnuReplaceCase><menu:mnuStCmdMode><menu:mnuWordWrap>"},
    {"help and about", "<menu:mnuHelpReference><menu:mnuAbout><menu:mnuHelpReference><menu:mnuAbout>"},
    {"open shortcut in Insert mode", "i<C-o>x<Esc>"},
    {"open shortcut in the command box", ":<C-o><Esc>"},
    {"write under a name", ":w notes.txt<CR>"},
    {"change and refuse to quit", "x:q<CR>"},
    {"save shortcut", "<C-s>"},
    {"write again, quit refused, forced write", ":w<CR>ix<Esc>:q<CR>:w! notes.txt<CR>"},
    {"File Close", "<F9>iafter close<Esc>"},
    {"the close box", "<close>ilate<Esc>"},
};

class RunDir {
 public:
  RunDir() {
    EXPECT_TRUE(dir_.isValid());
    options.home = dir_.path().toStdString();
    options.dialogs = {String(u"missing-one.txt"), String(u"missing-two.txt")};
    options.clipboard = u"from the clipboard";
  }
  void Enter() const { QDir::setCurrent(dir_.path()); }
  RunOptions options;

 private:
  QTemporaryDir dir_;
};

void Deliver(Driver& driver, const ScriptEvent& event) {
  std::visit(
      [&driver](const auto& e) {
        using E = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<E, KeyEvent>) driver.Key(e);
        else if constexpr (std::is_same_v<E, MouseUpEvent>) driver.MouseUp(e.button);
        else if constexpr (std::is_same_v<E, SelectEvent>) driver.Select(e.start, e.length);
        else if constexpr (std::is_same_v<E, MenuEvent>) driver.Menu(e.item);
        else if constexpr (std::is_same_v<E, CloseEvent>) driver.Close();
        else if constexpr (std::is_same_v<E, WaitEvent>) driver.Wait(e.milliseconds);
        else driver.Resize(e.width, e.height);
      },
      event);
}

TEST(Differential, HeadlessAndWindowAgreeAfterEveryStep) {
  const QString startDir = QDir::currentPath();
  RunDir headlessDir, windowDir;
  QtFileSystem fs(FromUtf8(headlessDir.options.home), {}, FromUtf8(headlessDir.options.home + "/state"));
  headlessDir.Enter();
  auto headless = MakeHeadlessDriver(headlessDir.options, fs);
  headless->Start(u"");
  windowDir.Enter();
  auto window = MakeQtDriver(windowDir.options);
  ASSERT_NE(window, nullptr);
  window->Start(u"");

  std::size_t keys = 0;
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.what);
    const KeyScript script = ParseKeyScript(step.keys);
    ASSERT_FALSE(script.error) << *script.error;
    keys += script.events.size();
    headlessDir.Enter();
    for (const auto& event : script.events) Deliver(*headless, event);
    const std::string expected = SnapshotJson(headless->Read(), false);
    windowDir.Enter();
    for (const auto& event : script.events) Deliver(*window, event);
    const std::string actual = SnapshotJson(window->Read(), false);
    ASSERT_EQ(actual, expected);
  }
  EXPECT_GE(keys, 250u);
  QDir::setCurrent(startDir);
}

// The program itself, both ways, on one script; where the build has it.
TEST(Differential, QuilmarBatchPrintsTheSameJsonBothWays) {
  const QString program = QStringLiteral(QUILMAR_BIN_DIR "/quilmar-batch");
  if (!QFile::exists(program)) GTEST_SKIP() << "quilmar-batch is not built";
  QString script;
  for (const Step& step : kSteps) script += QString::fromLatin1(step.keys);
  auto run = [&](const QStringList& extra) {
    QTemporaryDir dir;
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(program, QStringList{"--home", dir.path(), "--dialog", "missing-one.txt",
                                       "--keys", script} + extra);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
  };
  const std::string headless = run({});
  EXPECT_NE(headless.find("\"closed\":true"), std::string::npos);
  EXPECT_EQ(run({"--qt"}), headless);
}

}  // namespace
}  // namespace quilmar::batch
