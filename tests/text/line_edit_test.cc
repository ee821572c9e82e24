// The one-line box edits as one-line text boxes do: each case is the box before (marked text:
// "|" the caret, "^" the other end of a selection), the keys (quilmar-batch's notation), and
// the box after.
#include "text/line_edit.hh"

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

class LineEditKeys : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(LineEditKeys, EditLikeAOneLineBox) {
  const ScriptCase& c = GetParam();
  String clipboard = u"pasted";
  LineEdit box;
  box.SetClipboard([&] { return clipboard; }, [&](const String& text) { clipboard = text; });
  const Marked start = ParseMarked(c.before);
  box.SetText(start.text);
  box.Select(start.anchor.value(), start.caret.value());
  Press(box, c.keys);
  EXPECT_EQ(Render(box), c.after) << c.keys;
  if (c.clipboard) {
    EXPECT_EQ(ToUtf8(clipboard), c.clipboard);
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, LineEditKeys, ::testing::Values(
    ScriptCase{"typing", ":|", "w a.txt", ":w a.txt|"},
    ScriptCase{"backspace", ":ab|", "<BS>", ":a|"},
    ScriptCase{"backspace_at_start", "|:a", "<BS>", "|:a"},
    ScriptCase{"delete", ":|ab", "<Del>", ":|b"},
    ScriptCase{"delete_at_end", ":ab|", "<Del>", ":ab|"},
    ScriptCase{"home_end", ":a|b", "<Home>x<End>y", "x:aby|"},
    ScriptCase{"shift_right_selects", "|:abc", "<S-Right>", "^:|abc"},
    ScriptCase{"typing_replaces_selection", ":1^2|", "5", ":15|"},
    ScriptCase{"shift_left_then_type", ":12|", "<S-Left>5", ":15|"},
    ScriptCase{"backspace_deletes_selection", "|:^abc", "<BS>", "|abc"},
    ScriptCase{"left_collapses_to_start", ":^ab|c", "<Left>", ":|abc"},
    ScriptCase{"right_collapses_to_end", ":^ab|c", "<Right>", ":ab|c"},
    ScriptCase{"shift_home", ":a|bc", "<S-Home>", "|:a^bc"},
    ScriptCase{"shift_end", ":a|bc", "<S-End>", ":a^bc|"},
    ScriptCase{"select_all_and_copy", ":a|b", "<C-a><C-c>", "^:ab|", ":ab"},
    ScriptCase{"cut", ":^ab|c", "<C-x>", ":|c", "ab"},
    ScriptCase{"cut_without_selection_keeps_clipboard", ":ab|", "<C-x>", ":ab|", "pasted"},
    ScriptCase{"paste_replaces_selection", ":w ^x|", "<C-v>", ":w pasted|"},
    ScriptCase{"shift_insert_pastes", ":|", "<S-Ins>", ":pasted|"},
    ScriptCase{"shift_delete_cuts", ":^ab|", "<S-Del>", ":|", "ab"},
    ScriptCase{"ctrl_insert_copies", ":^ab|", "<C-Ins>", ":^ab|", "ab"},
    ScriptCase{"ctrl_shift_z_redoes", ":|", "ab<C-z><C-S-z>", ":ab|"},
    ScriptCase{"typing_after_undo_drops_redo", ":|", "ab<C-z>c<C-y>", ":c|"}));

// Tab and Enter carry their control characters as text from the window; the box types neither.
TEST(LineEdit, ControlKeysTypeNothing) {
  LineEdit box;
  box.SetText(u":");
  box.KeyDown(KeyEvent{key::Tab, shift::None, u"\t"});
  box.KeyDown(KeyEvent{key::Return, shift::None, u"\r"});
  EXPECT_EQ(box.Text(), u":");
}

TEST(LineEdit, AssignmentsDropLineBreaksAndStartAFreshHistory) {
  LineEdit box;
  box.SetText(u"a\r\nb\tc");
  EXPECT_EQ(box.Text(), u"abc");
  EXPECT_EQ(box.CaretPos(), 3);
  EXPECT_FALSE(box.CanUndo());
  box.SetSelText(u"\u00e9\n");  // a paste is one step of history
  EXPECT_EQ(box.Text(), u"abc\u00e9");
  box.Undo();
  EXPECT_EQ(box.Text(), u"abc");
}

TEST(LineEdit, StepsAndDeletesWholeClusters) {
  LineEdit box;
  box.SetText(u":e\u0301\U0001F44D\U0001F3FD");  // an accented letter, a thumb with its skin tone
  box.SetSelStart(2);  // between the letter and its accent
  EXPECT_EQ(box.CaretPos(), 3);
  Press(box, "<Left>");
  EXPECT_EQ(box.CaretPos(), 1);
  Press(box, "<End><BS>");
  EXPECT_EQ(box.Text(), u":e\u0301");
  Press(box, "<BS>");
  EXPECT_EQ(box.Text(), u":");
}

}  // namespace
}  // namespace quilmar::testing
