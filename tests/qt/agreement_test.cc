// The one place where the headless editor and the real window must agree: the same events
// through quilmar-batch's two drivers, in-process, leave the same state as quilmar-batch prints
// it. Scripted steps over every kind of command and long random scripts (the behaviour cases
// of tests/cases/data run both ways as well, each checked against what it expects). Only
// scripts that do not depend on where lines wrap or how many lines a page holds belong here:
// those differ by design (cells against pixels).
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver.hh"
#include "headless_driver.hh"
#include "json_output.hh"
#include "key_script.hh"
#include "qt_driver.hh"
#include "qt_file_system.hh"
#include "text/ustring.hh"

namespace quilmar::batch {
namespace {

// A run's folder, the working directory while its driver runs (written files land there), with a
// settings file that turns word wrap off.
class RunDir {
 public:
  explicit RunDir(String clipboard = u"from the clipboard") {
    EXPECT_TRUE(dir_.isValid());
    QFile settings(dir_.filePath(QStringLiteral("quilmar.ini")));
    if (settings.open(QIODevice::WriteOnly)) settings.write("WordWrap=False\r\n");
    options.home = dir_.path().toStdString();
    options.dialogs = {String(u"missing-one.txt"), String(u"missing-two.txt")};
    options.clipboard = std::move(clipboard);
  }
  void Enter() const { QDir::setCurrent(dir_.path()); }
  String Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)).toStdU16String(); }
  RunOptions options;

 private:
  QTemporaryDir dir_;
};

// Both drivers from the same start. Each runs in a folder of its own, so that a file one writes
// is not there for the other; with a document to open, both open the same file (its path shows
// in a panel), which no script here writes.
struct Pair {
  explicit Pair(String clipboard = u"from the clipboard", const char* document = nullptr)
      : headlessDir(clipboard),
        windowDir(clipboard),
        fs(FromUtf8(headlessDir.options.home), {}, FromUtf8(headlessDir.options.home) + u"/state") {
    const QString startDir = QDir::currentPath();
    String path;
    if (document) {
      path = headlessDir.Path("doc.txt");
      QFile file(QString::fromStdU16String(path));
      if (file.open(QIODevice::WriteOnly)) file.write(document);
      windowDir.options.home = headlessDir.options.home;
    }
    headlessDir.Enter();
    headless = MakeHeadlessDriver(headlessDir.options, fs);
    headless->Start(path);
    (document ? headlessDir : windowDir).Enter();
    window = MakeQtDriver(windowDir.options);
    window->Start(path);
    shared = document != nullptr;
    QDir::setCurrent(startDir);
  }
  // Sends the events to both; their states as quilmar-batch prints them.
  std::pair<std::string, std::string> Run(const std::vector<ScriptStep>& steps) {
    const QString startDir = QDir::currentPath();
    headlessDir.Enter();
    for (const auto& step : steps) Deliver(*headless, step);
    std::string a = SnapshotJson(headless->Read(), false);
    (shared ? headlessDir : windowDir).Enter();
    for (const auto& step : steps) Deliver(*window, step);
    std::string b = SnapshotJson(window->Read(), false);
    QDir::setCurrent(startDir);
    return {a, b};
  }
  RunDir headlessDir, windowDir;
  QtFileSystem fs;
  std::unique_ptr<Driver> headless, window;
  bool shared = false;
};

std::vector<ScriptStep> Parse(const std::string& keys) {
  KeyScript script = ParseKeyScript(keys);
  EXPECT_FALSE(script.error) << *script.error;
  return script.steps;
}

// ---- Scripted steps: every command, compared after each step.

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

TEST(Agreement, ScriptedStepsAgreeAfterEveryStep) {
  Pair pair;
  std::size_t keys = 0;
  for (const Step& step : kSteps) {
    SCOPED_TRACE(step.what);
    const std::vector<ScriptStep> steps = Parse(step.keys);
    keys += steps.size();
    const auto [headless, window] = pair.Run(steps);
    ASSERT_EQ(window, headless);
  }
  EXPECT_GE(keys, 250u);
}

// ---- Long random scripts from seeded generators, so every run sends the same keys. On a
// difference the shortest prefix of whole pieces that shows it is printed, ready for
// `quilmar-batch --keys '...'` and `quilmar-batch --qt --keys '...'`.

// What the user may press. Left out, with the reason:
//   <Up> <Down> <PageUp> <PageDown>: the column they aim for is measured in pixels in the
//     window and in cells headless, so they land on different characters by design;
//   word wrap stays off (the settings file says so) for the same reason: where a line wraps
//     depends on the font's pixel widths, and "0", "$", "I", "A", "dd" act on wrapped lines;
//   <C-Left> <C-Right> and word deletes: fine in both, but a word's end is the toolkit's
//     choice for punctuation, left to the text control itself;
//   file, print, font and help menus, <close> and ":q": dialogs, windows and the end of the
//     session, which would leave the rest of the script unsent.
const std::vector<std::string> kKeys = {
    "a", "b", "c", "x", "y", "p", "d", "d", "i", "a", "I", "A", "0", "4", "$", "n", "N", "q", "X", "Y",
    "P", "D", " ", ",", ".", "-", "1", "2", "<Esc>", "<Esc>", "<CR>", "<BS>", "<Del>", "<Tab>", "<Left>",
    "<Right>", "<Home>", "<End>", "<S-Left>", "<S-Right>", "<S-Home>", "<S-End>", "<F3>", "<Ins>",
    "<C-v>", "<C-c>", "<C-x>", "<C-a>", "<C-z>", "<C-y>", "<C-V>", "<LeftUp>", "<RightUp>",
};
const std::vector<std::string> kCommandLines = {
    ":0,1s/a/b/<CR>", ":1,9s/b/\\n/<CR>", ":0,0s/a/b/<CR>", ":2<CR>", ":0<CR>", ":99<CR>", "/ab<CR>",
    "/b<CR>", "/zz<CR>", ":x<CR>", ":<BS>", "/ab<Esc>", ":1,2s/ /\\t/<CR>",
};
// Keys typed into the command box between opening it and leaving it with Escape: editing,
// selecting, the clipboard and undo, as any one-line box has them.
const std::vector<std::string> kBoxKeys = {
    "a", "b", "1", "2", " ", "/", "<BS>", "<Del>", "<Left>", "<Right>", "<Home>", "<End>", "<S-Left>",
    "<S-Right>", "<S-Home>", "<S-End>", "<C-Left>", "<C-Right>", "<C-S-Left>", "<C-a>", "<C-c>",
    "<C-x>", "<C-v>", "<C-z>", "<C-y>", "<C-S-z>", "<S-Ins>", "<S-Del>", "<C-Ins>", "<C-BS>",
    "<C-Del>",
};
const std::vector<std::string> kMenus = {"<menu:mnuFindCase>", "<menu:mnuReplaceCase>", "<menu:mnuStCmdMode>"};
// Keys under Ctrl, Shift, Alt and their combinations ("<" prefixes name ">"). Left out: the
// menu shortcuts (Ctrl+O, Ctrl+S, Ctrl+P) for the reasons above, Alt with a menu's mnemonic
// (F, O, H), which the real menu bar takes, and Ctrl with the word keys (arrows, BS, Del).
const std::vector<std::string> kModifiers = {"C-", "S-", "A-", "C-S-", "C-A-", "S-A-", "C-S-A-"};
const std::vector<std::string> kModifiedKeys = {
    "a", "x", "v", "c", "z", "y", "d", "i", "n", "A", "V", ":", ";", "/", "?", "4", "$", "0", ",",
    "lt", " ", "Home", "End", "CR", "Tab", "Esc", "Ins", "F3",
};
const std::vector<std::string> kWordKeys = {"Left", "Right", "BS", "Del"};

// Half of them in Command mode, where most of them act (Insert mode types nothing under Ctrl).
std::string ModifiedKey(std::mt19937& random) {
  const std::string mode = random() % 2 ? "<Esc>" : "";
  std::string modifiers = kModifiers[random() % kModifiers.size()];
  std::string name = kModifiedKeys[random() % kModifiedKeys.size()];
  if (random() % 4 == 0) {
    name = kWordKeys[random() % kWordKeys.size()];
    if (modifiers.find('C') != std::string::npos) modifiers = "S-";
  }
  return mode + "<" + modifiers + name + ">";
}

// The script as pieces (a key, a command line or a menu click), so a difference can be
// narrowed down to a prefix of whole pieces.
std::vector<std::string> RandomPieces(unsigned seed, int count) {
  std::mt19937 random(seed);
  auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  std::vector<std::string> pieces;
  for (int i = 0; i < count; ++i) {
    const unsigned roll = random() % 100;
    if (roll < 5) {
      std::string session = random() % 2 ? ":" : "/";
      for (unsigned k = 2 + random() % 10; k > 0; --k) session += pick(kBoxKeys);
      pieces.push_back(session + "<Esc>");
      continue;
    }
    pieces.push_back(roll < 75   ? pick(kKeys)
                     : roll < 85 ? ModifiedKey(random)
                     : roll < 97 ? pick(kCommandLines)
                                 : pick(kMenus));
  }
  return pieces;
}

constexpr const char* kRandomDocument = "alpha beta\nab ba ab\n\nlast line a b\n";

bool Agree(const std::vector<std::string>& pieces, std::size_t count, std::string* states = nullptr) {
  std::string script;
  for (std::size_t i = 0; i < count; ++i) script += pieces[i];
  Pair pair(u"clip", kRandomDocument);
  const auto [headless, window] = pair.Run(Parse(script));
  if (states) *states = "headless:\n" + headless + "\nwindow:\n" + window;
  return headless == window;
}

class RandomScripts : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomScripts, AgreeHeadlessAndInTheWindow) {
  const std::vector<std::string> pieces = RandomPieces(GetParam(), 700);
  std::string states;
  if (Agree(pieces, pieces.size(), &states)) {
    // The whole script reached the editor and changed the document: the comparison means something.
    EXPECT_NE(states.find("\"closed\":false"), std::string::npos);
    EXPECT_NE(states.find("\"textChanged\":true"), std::string::npos);
    return;
  }
  std::size_t good = 0, bad = pieces.size();
  while (bad - good > 1) {
    const std::size_t mid = (good + bad) / 2;
    (Agree(pieces, mid) ? good : bad) = mid;
  }
  std::string prefix;
  for (std::size_t i = 0; i < bad; ++i) prefix += pieces[i];
  Agree(pieces, bad, &states);
  ADD_FAILURE() << "the window and the headless editor disagree after --keys '" << prefix << "'\n" << states;
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomScripts, ::testing::Values(1u, 2u, 3u, 4u, 5u));

}  // namespace
}  // namespace quilmar::batch
