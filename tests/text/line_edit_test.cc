// The one-line box edits as one-line text boxes do: each case is the box before (marked text:
// "|" the caret, "^" the other end of a selection), the keys (quilmar-batch's notation), and
// the box after.
#include "text/line_edit.hh"

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

struct BoxCase {
  const char* name;
  const char* before;
  const char* keys;
  const char* after;
  const char* clipboard = nullptr;  // after the keys, when it matters
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class LineEditKeys : public ::testing::TestWithParam<BoxCase> {};

TEST_P(LineEditKeys, EditLikeAOneLineBox) {
  const BoxCase& c = GetParam();
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
    BoxCase{"typing", ":|", "w a.txt", ":w a.txt|"},
    BoxCase{"backspace", ":ab|", "<BS>", ":a|"},
    BoxCase{"backspace_at_start", "|:a", "<BS>", "|:a"},
    BoxCase{"delete", ":|ab", "<Del>", ":|b"},
    BoxCase{"delete_at_end", ":ab|", "<Del>", ":ab|"},
    BoxCase{"home_end", ":a|b", "<Home>x<End>y", "x:aby|"},
    BoxCase{"shift_right_selects", "|:abc", "<S-Right>", "^:|abc"},
    BoxCase{"typing_replaces_selection", ":1^2|", "5", ":15|"},
    BoxCase{"shift_left_then_type", ":12|", "<S-Left>5", ":15|"},
    BoxCase{"backspace_deletes_selection", "|:^abc", "<BS>", "|abc"},
    BoxCase{"left_collapses_to_start", ":^ab|c", "<Left>", ":|abc"},
    BoxCase{"right_collapses_to_end", ":^ab|c", "<Right>", ":ab|c"},
    BoxCase{"shift_home", ":a|bc", "<S-Home>", "|:a^bc"},
    BoxCase{"shift_end", ":a|bc", "<S-End>", ":a^bc|"},
    BoxCase{"word_moves", ":w |one two", "<C-Right><C-Right><C-Left>", ":w one |two"},
    BoxCase{"word_select", ":w |one two", "<C-S-Right>", ":w ^one |two"},
    BoxCase{"word_backspace", ":w one two|", "<C-BS>", ":w one |"},
    BoxCase{"word_delete", ":w |one two", "<C-Del>", ":w |two"},
    BoxCase{"select_all_and_copy", ":a|b", "<C-a><C-c>", "^:ab|", ":ab"},
    BoxCase{"cut", ":^ab|c", "<C-x>", ":|c", "ab"},
    BoxCase{"cut_without_selection_keeps_clipboard", ":ab|", "<C-x>", ":ab|", "pasted"},
    BoxCase{"paste_replaces_selection", ":w ^x|", "<C-v>", ":w pasted|"},
    BoxCase{"shift_insert_pastes", ":|", "<S-Ins>", ":pasted|"},
    BoxCase{"shift_delete_cuts", ":^ab|", "<S-Del>", ":|", "ab"},
    BoxCase{"ctrl_insert_copies", ":^ab|", "<C-Ins>", ":^ab|", "ab"},
    BoxCase{"undo_typing_as_one_step", ":|", "abc<C-z>", ":|"},
    BoxCase{"undo_each_edit", ":|", "ab<Left>c<C-z>", ":a|b"},
    BoxCase{"undo_then_redo", ":|", "ab<BS><C-z><C-y>", ":a|"},
    BoxCase{"ctrl_shift_z_redoes", ":|", "ab<C-z><C-S-z>", ":ab|"},
    BoxCase{"typing_after_undo_drops_redo", ":|", "ab<C-z>c<C-y>", ":c|"}));

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
