// The help text is a reference of the editor as built: every command line it shows runs as a
// command, every Command-mode key it lists does something, every menu item and settings key
// it names exists. The examples are taken from the help file itself and run through
// quilmar-batch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/menu_items.hh"
#include "batch_process.hh"

namespace {

using quilmar::testing::TempFolder;

// The lines of one section of the help text: from its title to the next title.
std::vector<std::string> Section(const std::string& title) {
  std::istringstream in(TempFolder::ReadPath(QUILMAR_SOURCE_DIR "/resources/quilmar_help.txt"));
  std::vector<std::string> lines;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    // Titles are upper-case lines at the left edge ("MENUS", "THE COMMAND BOX").
    const bool isTitle = !line.empty() && line[0] != ' ' &&
                         std::none_of(line.begin(), line.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); }) &&
                         std::any_of(line.begin(), line.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); });
    if (isTitle) inside = line == title;
    else if (inside) lines.push_back(line);
  }
  return lines;
}

// A folder holding doc.txt, which is also the program folder; Run gives the JSON a key script
// on doc.txt prints.
class Batch : public TempFolder {
 public:
  Batch() { Write("doc.txt", "first old line\nsecond text line\nthird old text\nfourth\n"); }
  std::string Run(const std::string& keys) const {
    const auto run = quilmar::testing::RunBatchProgram({"--home", ".", "--clipboard", "pasted", "--keys", keys, "doc.txt"}, Path());
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }
};

// A command line as a key script: "<" must be written "<lt>".
std::string AsKeys(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '<' ? std::string("<lt>") : std::string(1, c);
  return out;
}

TEST(HelpText, EveryDocumentedCommandLineIsACommand) {
  const std::regex example(R"(^  ([:/]\S*(?: [^ ]\S*)?)  +\S.*$)");
  std::vector<std::string> commands;
  for (const std::string& line : Section("THE COMMAND BOX")) {
    std::smatch m;
    if (std::regex_match(line, m, example)) commands.push_back(m[1]);
  }
  ASSERT_GE(commands.size(), 13u) << "the command section lost its examples";
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    Batch batch;
    const std::string out = batch.Run("<Esc>" + AsKeys(command) + "<CR>");
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.find("Invalid command"), std::string::npos) << out;
  }
}

TEST(HelpText, EveryDocumentedCommandModeKeyDoesSomething) {
  const std::regex row(R"(^  (\S+(?: or \S+| \S)?)  +\S.*$)");
  std::vector<std::string> keys;
  for (const std::string& line : Section("KEYS IN COMMAND MODE")) {
    std::smatch m;
    if (std::regex_match(line, m, row)) keys.push_back(m[1]);
  }
  ASSERT_GE(keys.size(), 13u) << "the key section lost its rows";
  Batch batch;
  // The caret in the middle of a line, so that every motion has somewhere to go.
  const std::string setup = "<Esc><sel:3,0>/old<CR>";
  const std::string before = batch.Run(setup);
  for (const std::string& entry : keys) {
    // "4 or $" names two keys, "d d" one key pressed twice.
    std::vector<std::string> presses;
    if (entry.find(" or ") != std::string::npos) {
      presses = {entry.substr(0, entry.find(' ')), entry.substr(entry.rfind(' ') + 1)};
    } else {
      std::string joined;
      for (char c : entry)
        if (c != ' ') joined += c;
      presses = {joined};
    }
    for (const std::string& press : presses) {
      SCOPED_TRACE(press);
      EXPECT_NE(batch.Run(setup + "<sel:8,0>" + AsKeys(press)), batch.Run(setup + "<sel:8,0>"))
          << "the key changed nothing";
    }
  }
  EXPECT_FALSE(before.empty());
}

TEST(HelpText, EveryMenuItemItNamesExists) {
  std::set<std::string> captions;
  for (const auto& info : quilmar::kMenuItems) {
    std::string caption;
    for (char c : info.caption)
      if (c != '&') caption += c;
    captions.insert(caption);
  }
  std::string menus;
  for (const std::string& line : Section("MENUS")) menus += line + "\n";
  for (const std::string& caption : captions)
    EXPECT_NE(menus.find(caption), std::string::npos) << caption << " is not described";
  for (const char* shortcut : {"Open (Ctrl+O)", "Save (Ctrl+S)", "Close (F9)", "Print (Ctrl+P)"})
    EXPECT_NE(menus.find(shortcut), std::string::npos) << shortcut;
}

TEST(HelpText, TheSettingsKeysItShowsAreTheOnesTheEditorWrites) {
  const std::regex row(R"(^  ([A-Za-z]+)=.*$)");
  std::vector<std::string> documented;
  for (const std::string& line : Section("THE SETTINGS FILE")) {
    std::smatch m;
    if (std::regex_match(line, m, row)) documented.push_back(m[1]);
  }
  Batch batch;
  batch.Run("<Esc>:q<CR>");  // settings are written when the window closes
  const std::string written = batch.Read("quilmar.ini");
  std::vector<std::string> keys;
  std::istringstream in(written);
  std::string line;
  while (std::getline(in, line)) keys.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(documented, keys) << written;
}

}  // namespace
