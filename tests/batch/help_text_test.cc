// The help text is a reference of the editor as built. Every key row of its key, command box
// and mouse tables has checks here (a document, keys, what must follow), run through the
// editor; a row without a check, or a check whose row is gone, fails. The menu items and
// settings keys it names are the editor's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "../editor/script_editor.hh"
#include "app/menu_items.hh"
#include "batch_process.hh"

namespace quilmar::testing {
namespace {

// The help file as the build installs it beside the program.
std::string HelpFile() { return TempFolder::ReadPath(QUILMAR_BIN_DIR "/quilmar_help.txt"); }

// The lines of one section of the help text: from its title to the next title.
std::vector<std::string> Section(std::string_view title) {
  std::istringstream in(HelpFile());
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

// The keys of a section's table: its rows begin two spaces in, with the key (words apart by
// single spaces), then the description after two spaces or on the lines below.
std::vector<std::string> Entries(std::string_view title) {
  const std::regex row(R"(^  (\S+(?: \S+)*)(?:  +\S.*)?$)");
  std::vector<std::string> entries;
  for (const std::string& line : Section(title)) {
    std::smatch m;
    if (std::regex_match(line, m, row)) entries.push_back(m[1]);
  }
  return entries;
}

// One claim of a row: its key as the help writes it, a document in marked text, the keys
// pressed, and what follows. The document is the file doc.txt, opened from the File menu.
struct Claim {
  std::string_view entry;
  std::string_view before;
  std::string_view keys;
  Expect after;
  std::string_view setup = "";  // keys pressed in Command mode before the mode is chosen
  bool readOnly = false;        // doc.txt may not be written
};

void Verify(const Claim& claim, std::string_view keys, bool insertMode) {
  SCOPED_TRACE(std::string(claim.entry) + ": keys " + std::string(keys) + (insertMode ? " in Insert mode" : ""));
  headless::EditorSetup setup;
  setup.clipboard = u"pasted";
  setup.fileDialogs.push_back(u"doc.txt");
  ScriptEditor ed(std::move(setup));
  const Marked m = ParseMarked(claim.before);
  ed.files.AddFile(u"doc.txt", S(m.text), claim.readOnly ? 0444 : 0644);
  ed.files.AddFile(u"taken.txt", "taken");
  ed.Run("<C-o>");
  ed.doc().Select(m.anchor, m.caret);
  ed.Run(claim.setup);
  ed.Run(insertMode ? "i" + std::string(keys) : std::string(keys));
  Check(ed, claim.after);
}

const std::vector<Claim> kCommandMode = {
    {"i", "ab|c", "i", {.doc = "ab|c", .mode = "Insert", .commandMode = false}},
    {"a", "ab|c", "a", {.doc = "abc|", .mode = "Insert", .commandMode = false}},
    {"I", "ab|c\nd", "I", {.doc = "|abc\nd", .commandMode = false}},
    {"A", "a|bc\nd", "A", {.doc = "abc|\nd", .commandMode = false}},
    {"0", "ab|c", "0", {.doc = "|abc", .commandMode = true}},
    {"4 or $", "a|bc\nd", "4", {.doc = "abc|\nd", .commandMode = true}},
    {"4 or $", "a|bc\nd", "$", {.doc = "abc|\nd", .commandMode = true}},
    {"x", "a|bc", "x", {.doc = "a|c", .commandMode = true}},
    {"x", "^ab|c", "x", {.doc = "|c"}},
    {"y", "^ab|c\nd", "y", {.doc = "^ab|c\nd", .clipboard = "ab"}},
    {"y", "a|bc\nd", "y", {.doc = "^abc|\nd", .clipboard = "abc"}},
    {"p", "a|bc\nd", "p", {.doc = "abc\npasted|\nd"}},
    {"d d", "a|bc\nd", "dd", {.doc = "|d", .clipboard = "abc"}},
    {"d d", "a|bc\nd", "d0d", {.doc = "|d", .clipboard = "abc"}},
    {"n", "ab\nab", "n", {.doc = "ab\na^b|", .mode = "Search"}, "/b<CR>"},
    {":", "a|b", ":", {.mode = "Command", .inCommandBox = true, .cmdText = ":"}},
    {"/ or ?", "a|b", "/", {.mode = "Search", .inCommandBox = true, .cmdText = "/"}},
    {"/ or ?", "a|b", "?", {.mode = "Search", .inCommandBox = true, .cmdText = "/"}},
    {"Ctrl+X", "a|bc de", "<C-x>", {.doc = "a|de"}},
    {"Ctrl+V", "a|b", "<C-v>", {.doc = "a|b"}},
    {"Ctrl+Z", "a|bc", "x<C-z>", {.doc = "a|c"}},
};

const std::vector<Claim> kBothModes = {
    {"Escape", "a|b", "<Esc>", {.mode = "Command", .commandMode = true, .locked = true}},
    {"F3", "ab\nab", "<F3>", {.doc = "ab\na^b|", .mode = "Search"}, "/b<CR>"},
    {"Insert", "a|b", "<Ins><S-Ins><C-Ins>", {.doc = "a|b", .clipboard = "pasted"}},
    {"Ctrl+C", "^ab|c", "<C-c>", {.doc = "^ab|c", .clipboard = "ab"}},
    {"arrow keys", "ab\nc|d", "<Up><Right>", {.doc = "ab|\ncd"}},
    {"arrow keys", "a|b\ncd", "<Down><Left>", {.doc = "ab\n|cd"}},
    {"Home, End", "a|bc", "<End>", {.doc = "abc|"}},
    {"Home, End", "ab|c", "<Home>", {.doc = "|abc"}},
    {"Page Up", "a\nb\nc|", "<PageUp>", {.doc = "a|\nb\nc"}},
    {"Page Down", "a|\nb\nc", "<PageDown>", {.doc = "a\nb\nc|"}},
    {"Ctrl+Home", "a\nb|c", "<C-Home>", {.doc = "|a\nbc"}},
    {"Ctrl+End", "a|\nbc", "<C-End>", {.doc = "a\nbc|"}},
    {"Ctrl+Left", "ab cd|e", "<C-Left>", {.doc = "ab |cde"}},
    {"Ctrl+Right", "a|b cd", "<C-Right>", {.doc = "ab |cd"}},
    {"Shift", "a|bc", "<S-Right><S-End>", {.doc = "a^bc|"}},
};

// Run in Insert mode, entered with "i" after the setup keys.
const std::vector<Claim> kInsertMode = {
    {"Ctrl+V", "a|b", "<C-v>", {.doc = "apasted|b"}},
    {"Ctrl+V", "^a|b", "<C-v>", {.doc = "pasted|b"}},
    {"Ctrl+X", "^a|b", "<C-x>", {.doc = "|b", .clipboard = "a"}},
    {"Ctrl+A", "a|b\nc", "<C-a>", {.doc = "^ab\nc|"}},
    {"Ctrl+Z", "a|b", "xy<CR>z<C-z>", {.doc = "a|b"}},  // a run of typing is one step
    {"Ctrl+Z", "a|bcd", "<Esc>xxi<C-z>", {.doc = "a|cd"}},  // each command is one step
    {"Ctrl+Y", "a|b", "xy<C-z><C-y>", {.doc = "axy|b"}},
    {"Ctrl+Backspace", "ab cd|e", "<C-BS>", {.doc = "ab |e"}},
    {"Ctrl+Delete", "a|b cd", "<C-Del>", {.doc = "a|cd"}},
};

const std::vector<Claim> kCommandBox = {
    {"Enter", "a\nb|", ":0<CR>", {.doc = "|a\nb", .inCommandBox = false}},
    {"Escape", "a|b", ":0<Esc>", {.doc = "a|b", .inCommandBox = false, .cmdText = ""}},
    {"Backspace", "a|b", ":<BS>", {.inCommandBox = false}},
    {"Backspace", "a|b", ":0<BS>", {.inCommandBox = true, .cmdText = ":"}},
    {":w", "a|b", "x:w<CR>", {.message = "Written", .textChanged = false}},
    {":w", "a|b", "x:w<CR>", {.message = "File is read only", .textChanged = true}, "", true},
    {":w!", "a|b", "x:w!<CR>", {.message = "Written", .textChanged = false}, "", true},
    {":q", "a|b", "x:q<CR>", {.message = "Unsaved changes, use q! to override", .closed = false}},
    {":q", "a|b", ":q<CR>", {.closed = true}},
    {":q!", "a|b", "x:q!<CR>", {.closed = true}},
    {":wq", "a|b", "x:wq<CR>", {.message = "Written", .closed = true}},
    {":w!q", "a|b", "x:w!q<CR>", {.message = "Written", .closed = true}, "", true},
    {":w notes.txt", "a|b", ":w new.txt<CR>", {.message = "Written"}},
    {":w notes.txt", "a|b", ":w taken.txt<CR>", {.message = "File exists, use \"w!\" to override."}},
    {":w! notes.txt", "a|b", ":w! taken.txt<CR>", {.message = "Written"}},
    {":wq notes.txt", "a|b", ":wq new.txt<CR>", {.message = "Written", .closed = true}},
    {":w!q notes.txt", "a|b", ":w!q taken.txt<CR>", {.message = "Written", .closed = true}},
    {":12", "a\nb\nc", ":2<CR>", {.doc = "a\nb\n|c"}},
    {":0,9s/old/new/", "old old\nold", ":0,9s/old/new/<CR>", {.doc = "new new\nnew|", .message = "3 Replacments"}},
    {"/text", "a text\ntext", "/text<CR>", {.doc = "a ^text|\ntext"}},
    {"/text", "a text\ntext", "/text<CR>nn", {.doc = "a ^text|\ntext", .message = "Search hit bottom, continuing at top"}},
};

const std::vector<Claim> kMouse = {
    {"Left", "^ab|c", "<LeftUp>", {.clipboard = "ab"}},
    {"Right", "a|b", "<RightUp>", {.doc = "apasted|b"}},
    {"Right", "^a|b", "<RightUp>", {.doc = "pasted|b"}},
    {"Middle", "^a|b", "<MiddleUp>", {.doc = "pasted|b"}},
};

enum class Modes { Command, Insert, Both };

struct HelpTable {
  std::string_view title;
  const std::vector<Claim>& claims;
  Modes modes;
};

const HelpTable kTables[] = {
    {"KEYS IN COMMAND MODE", kCommandMode, Modes::Command},
    {"KEYS IN BOTH MODES", kBothModes, Modes::Both},
    {"KEYS IN INSERT MODE", kInsertMode, Modes::Insert},
    {"THE COMMAND BOX", kCommandBox, Modes::Command},
    {"MOUSE BUTTONS", kMouse, Modes::Both},
};

TEST(HelpText, EveryKeyItListsDoesWhatItSays) {
  for (const HelpTable& table : kTables) {
    SCOPED_TRACE(table.title);
    const std::vector<std::string> entries = Entries(table.title);
    EXPECT_FALSE(entries.empty()) << "the table is gone";
    for (const std::string& entry : entries)
      EXPECT_TRUE(std::any_of(table.claims.begin(), table.claims.end(), [&](const Claim& c) { return c.entry == entry; }))
          << entry << " has no check";
    for (const Claim& claim : table.claims) {
      EXPECT_TRUE(std::find(entries.begin(), entries.end(), claim.entry) != entries.end()) << claim.entry << " is not listed";
      if (table.modes != Modes::Insert) Verify(claim, claim.keys, false);
      if (table.modes != Modes::Command) Verify(claim, claim.keys, true);
    }
  }
}

// The plain key script with every key pressed with the modifier (S or C), unless it holds a
// key that the help excepts or one that is not a plain letter, digit or "/".
std::optional<std::string> WithModifier(std::string_view keys, char modifier, std::string_view excepted) {
  std::string out;
  for (char c : keys) {
    const bool plain = std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '/';
    if (!plain || excepted.find(c) != std::string_view::npos) return std::nullopt;
    out += std::string("<") + modifier + "-" + c + ">";
  }
  return out;
}

// "Shift and Caps Lock make no difference to the other keys ... Nor does Ctrl, except with x
// and p": the Command-mode claims hold with either held.
TEST(HelpText, ShiftAndCtrlChangeCommandKeysOnlyWhereItSays) {
  for (const Claim& claim : kCommandMode) {
    if (const auto shifted = WithModifier(claim.keys, 'S', "ia")) Verify(claim, *shifted, false);
    if (const auto ctrl = WithModifier(claim.keys, 'C', "xp")) Verify(claim, *ctrl, false);
  }
}

TEST(HelpText, EveryMenuItemItNamesExistsWithItsShortcut) {
  std::string menus;
  for (const std::string& line : Section("MENUS")) menus += line + "\n";
  for (const auto& info : kMenuItems) {
    std::string caption;
    for (char c : info.caption)
      if (c != '&') caption += c;
    if (const auto& key = info.shortcut) {
      // Letters' codes are their capitals; the function keys count from F1.
      const bool function = key->code >= key::F1 && key->code <= key::F12;
      caption += function ? " (F" + std::to_string(key->code - key::F1 + 1) + ")"
                          : std::string(" (Ctrl+") + static_cast<char>(key->code) + ")";
    }
    EXPECT_NE(menus.find(caption), std::string::npos) << caption << " is not described";
  }
}

TEST(HelpText, TheSettingsKeysItShowsAreTheOnesTheEditorWrites) {
  const std::regex row(R"(^  ([A-Za-z]+)=.*$)");
  std::vector<std::string> documented;
  for (const std::string& line : Section("THE SETTINGS FILE")) {
    std::smatch m;
    if (std::regex_match(line, m, row)) documented.push_back(m[1]);
  }
  TempFolder home;  // also the program folder, where the settings are written when it closes
  const auto run = RunBatchProgram({"--home", ".", "--keys", ":q<CR>"}, home.Path());
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> keys;
  std::istringstream in(home.Read("quilmar.ini"));
  std::string line;
  while (std::getline(in, line)) keys.push_back(line.substr(0, line.find('=')));
  EXPECT_EQ(documented, keys) << home.Read("quilmar.ini");
}

}  // namespace
}  // namespace quilmar::testing
