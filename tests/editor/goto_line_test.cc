// ":" and a line number: the checks in their order, both messages, and where the caret lands.
#include "editor/goto_line.hh"

#include "script_editor.hh"

namespace quilmar::testing {
namespace {

// Thirteen lines: "l0" to "l12".
std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "\nl" : "l") + std::to_string(i);
  return text;
}

struct GotoCase {
  std::string_view argument = "";  // what follows the ":"
  std::optional<int> line = {};    // the caret's line afterwards, or
  std::string_view message = "";  // the message shown (the caret then stays)
};

const GotoCase kGotoCases[] = {
    {"0", 0}, {"2", 2}, {"12", 12}, {"007", 7},
    {"13", {}, "Invalid line number"},
    {"999999999", {}, "Invalid line number"},
    {"0000000001", {}, "Invalid line number"},  // ten characters
    {"1234567890", {}, "Invalid line number"},
    {"12abc", {}, "Invalid command"},
    {"1.5", {}, "Invalid command"},
    {"1e3", {}, "Invalid command"},
    {"1,3s/a/b", {}, "Invalid command"},  // a substitution without its closing slash
    {"1234567890x", {}, "Invalid command"},  // the characters are judged before the length
    {"1,3", 1}, {"1\"", 1}, {"1[2]", 1}, {"1,", 1},
    {"1 2", 12}, {"12 ", 12}, {"1  1", 11},
};

TEST(GotoLine, ThroughTheCommandBox) {
  for (const GotoCase& c : kGotoCases) {
    SCOPED_TRACE(std::string(":") + std::string(c.argument));
    ScriptEditor ed;
    ed.Load(Lines(13));
    ed.doc().SetSelStart(5);
    ed.editor().statusBar.SetPanelText(panel::Message, u"before");
    ed.Command(std::string(":") + std::string(c.argument));
    if (c.line) {
      EXPECT_EQ(ed.doc().SelStart(), ed.doc().LineIndex(*c.line));
      EXPECT_EQ(ed.doc().SelLength(), 0);
      EXPECT_EQ(ed.Message(), "before");  // a jump writes no message
      EXPECT_EQ(ed.Panel(panel::Position), "Ln# " + std::to_string(*c.line) + " : Char# 0 ");
    } else {
      EXPECT_EQ(ed.Message(), c.message);
      EXPECT_EQ(ed.doc().SelStart(), 5);
    }
    EXPECT_TRUE(ed.app().Mode().CommandMode());
    EXPECT_FALSE(ed.InCommandBox());
  }
}

TEST(GotoLine, EmptyDocument) {
  ScriptEditor ed;
  ed.Command(":0");
  EXPECT_EQ(ed.Doc(), "|");
  EXPECT_EQ(ed.Message(), "");
  ed.Command(":1");
  EXPECT_EQ(ed.Message(), "Invalid line number");
}

TEST(GotoLine, RemovesTheSelection) {
  ScriptEditor ed;
  ed.Load("a^b\nc|d\nef");
  ed.Command(":2");
  EXPECT_EQ(ed.Doc(), "ab\ncd\n|ef");
}

// Every character alone after a digit: the 52 letters and 28 marks are refused, all other
// printable ASCII passes the first check.
TEST(ReadLineNumber, RefusedCharacterClass) {
  const std::string refused =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz~!@#$%^&*()`':;.<>/?\\|}{_+=-";
  ASSERT_EQ(refused.size(), 80u);
  for (char c = 32; c < 127; ++c) {
    const auto read = ReadLineNumber(U(std::string("1") + c));
    const bool isRefused = std::holds_alternative<GotoRefusal>(read);
    EXPECT_EQ(isRefused, refused.find(c) != std::string::npos) << "character " << c;
    if (isRefused) {
      EXPECT_EQ(std::get<GotoRefusal>(read).message, "Invalid command");
    }
  }
  EXPECT_EQ(std::get<LineNo>(ReadLineNumber(u"1\x00E9")), 1);  // beyond ASCII: reading stops
  EXPECT_EQ(std::get<LineNo>(ReadLineNumber(u"4\t2")), 42);    // a tab is a blank too
}

}  // namespace
}  // namespace quilmar::testing
