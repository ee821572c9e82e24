// ":" and a line number beyond keys in and text out (those cases are data, in
// tests/cases/data/goto_line.txt): an empty document, the selection, the refused characters.
#include "editor/goto_line.hh"

#include "script_editor.hh"

namespace quilmar::testing {
namespace {

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
