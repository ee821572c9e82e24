// The same few thousand random keys through quilmar-batch's two drivers, headless and the
// real window (--qt), from the same start; the final text, selection, mode, panels and
// clipboard must agree. The scripts come from seeded generators, so every run sends the same
// keys. On a difference the shortest prefix of the script that shows it is printed, ready
// for `quilmar-batch --keys '...'` and `quilmar-batch --qt --keys '...'`.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../files/temp_folder.hh"
#include "driver.hh"
#include "headless_driver.hh"
#include "key_script.hh"
#include "qt_driver.hh"
#include "qt_file_system.hh"

namespace quilmar {
namespace {

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
    pieces.push_back(roll < 85 ? pick(kKeys) : roll < 97 ? pick(kCommandLines) : pick(kMenus));
  }
  return pieces;
}

std::string Utf8(const String& s) { return ToUtf8(s); }

// Everything compared, in one readable text: equal texts mean agreeing drivers.
std::string Describe(const batch::Snapshot& s) {
  std::string out = "text " + Utf8(s.text) + "\nselection " + std::to_string(s.selStart) + "+" +
                    std::to_string(s.selLength) + "\ncommandMode " + std::to_string(s.commandMode) + " locked " +
                    std::to_string(s.locked) + " pendingDelete " + std::to_string(s.pendingDelete) + "\npanels";
  for (const String& p : s.panels) out += " [" + Utf8(p) + "]";
  out += "\nclipboard " + Utf8(s.clipboard) + "\nfocus " + s.focus + " cmdText " + Utf8(s.cmdText) +
         " cmdSelection " + std::to_string(s.cmdSelStart) + "+" + std::to_string(s.cmdSelLength) +
         "\nsearchPos " + std::to_string(s.searchPos) + " lastPattern " + Utf8(s.lastPattern) + "\nclosed " +
         std::to_string(s.closed) + " textChanged " + std::to_string(s.textChanged);
  for (const auto& [name, on] : s.checks) out += " " + name + "=" + std::to_string(on);
  return out;
}

// One run of the events from the same start, in the same folder (its path shows in a
// panel): a document file and a settings file that turns word wrap off.
std::string RunDriver(bool window, const std::vector<batch::ScriptEvent>& events) {
  static const testing::TempFolder home;
  home.Write("quilmar.ini", "WordWrap=False\r\nCmdStart=True\r\n");
  home.Write("doc.txt", "alpha beta\nab ba ab\n\nlast line a b\n");
  // Each run is a first one: no recovery record left by the one before.
  std::filesystem::remove_all(home.Path("state"));
  batch::RunOptions options;
  options.home = home.Path();
  options.clipboard = u"clip";
  QtFileSystem fs(home.UPath(), {}, home.UPath("state"));
  std::unique_ptr<batch::Driver> driver =
      window ? batch::MakeQtDriver(options) : batch::MakeHeadlessDriver(options, fs);
  if (!driver) return "no driver";
  driver->Start(home.UPath("doc.txt"));
  for (const auto& event : events) {
    std::visit([&](const auto& e) {
      using E = std::decay_t<decltype(e)>;
      if constexpr (std::is_same_v<E, KeyEvent>) driver->Key(e);
      else if constexpr (std::is_same_v<E, batch::MouseUpEvent>) driver->MouseUp(e.button);
      else if constexpr (std::is_same_v<E, batch::SelectEvent>) driver->Select(e.start, e.length);
      else if constexpr (std::is_same_v<E, batch::MenuEvent>) driver->Menu(e.item);
      else if constexpr (std::is_same_v<E, batch::CloseEvent>) driver->Close();
      else if constexpr (std::is_same_v<E, batch::WaitEvent>) driver->Wait(e.milliseconds);
      else driver->Resize(e.width, e.height);
    }, event);
  }
  return Describe(driver->Read());
}

// The shortest prefix of the script (in pieces) on which the two drivers disagree.
std::string FirstDifference(const std::vector<std::string>& pieces) {
  std::size_t good = 0, bad = pieces.size();
  while (bad - good > 1) {
    const std::size_t mid = (good + bad) / 2;
    std::string prefix;
    for (std::size_t i = 0; i < mid; ++i) prefix += pieces[i];
    const auto events = batch::ParseKeyScript(prefix).events;
    (RunDriver(false, events) == RunDriver(true, events) ? good : bad) = mid;
  }
  std::string prefix;
  for (std::size_t i = 0; i < bad; ++i) prefix += pieces[i];
  return prefix;
}

class QtDifferential : public ::testing::TestWithParam<unsigned> {};

TEST_P(QtDifferential, RandomKeysAgreeHeadlessAndInTheWindow) {
  const unsigned seed = GetParam();
  const std::vector<std::string> pieces = RandomPieces(seed, 700);
  std::string script;
  for (const std::string& piece : pieces) script += piece;
  const batch::KeyScript parsed = batch::ParseKeyScript(script);
  ASSERT_FALSE(parsed.error) << *parsed.error;
  const std::string headless = RunDriver(false, parsed.events);
  const std::string window = RunDriver(true, parsed.events);
  // The whole script reached the editor and changed the document: the comparison means something.
  EXPECT_NE(headless.find("closed 0 textChanged 1"), std::string::npos) << headless;
  if (headless == window) return;
  const std::string prefix = FirstDifference(pieces);
  const auto events = batch::ParseKeyScript(prefix).events;
  ADD_FAILURE() << "the window and the headless editor disagree after --keys '" << prefix << "'\nheadless:\n"
                << RunDriver(false, events) << "\nwindow:\n" << RunDriver(true, events);
}

INSTANTIATE_TEST_SUITE_P(Seeds, QtDifferential, ::testing::Values(1u, 2u, 3u, 4u, 5u));

}  // namespace
}  // namespace quilmar
