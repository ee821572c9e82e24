// The one-line box edits as one-line text boxes do: each case is the box before (text with
// "|" for the caret and "^" for the other end of a selection), the keys, and the box after.
#include "text/line_edit.hh"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/us_keyboard.hh"

namespace quilmar {
namespace {

struct Box {
  String text;
  std::int32_t anchor = 0;
  std::int32_t caret = 0;
};

Box ParseBox(std::string_view marked) {
  Box box;
  std::optional<std::int32_t> anchor;
  for (char c : marked) {
    const auto at = static_cast<std::int32_t>(box.text.size());
    if (c == '|') box.caret = at;
    else if (c == '^') anchor = at;
    else box.text += FromUtf8(std::string(1, c));
  }
  box.anchor = anchor.value_or(box.caret);
  return box;
}

std::string Render(const LineEdit& box) {
  std::string out;
  for (std::int32_t i = 0; i <= static_cast<std::int32_t>(box.Text().size()); ++i) {
    if (i == box.AnchorPos() && box.SelLength() > 0) out += '^';
    if (i == box.CaretPos()) out += '|';
    if (i < static_cast<std::int32_t>(box.Text().size())) out += ToUtf8(box.Text().substr(std::size_t(i), 1));
  }
  return out;
}

// Keys: a printable character is the US key that types it; "{C-S-Left}" names a key with
// modifiers (C Ctrl, S Shift).
void Press(LineEdit& box, std::string_view keys) {
  static const std::map<std::string, KeyCode> kNames = {
      {"Left", key::Left}, {"Right", key::Right}, {"Home", key::Home}, {"End", key::End},
      {"BS", key::Back},   {"Del", key::Delete},  {"Ins", key::Insert}, {"a", key::A},
      {"c", key::C},       {"v", key::V},         {"x", key::X},       {"y", key::Y},
      {"z", key::Z},       {"Tab", key::Tab},     {"CR", key::Return},
  };
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] != '{') {
      box.KeyDown(*UsKeyFor(keys[i]));
      continue;
    }
    const std::size_t close = keys.find('}', i);
    std::string_view name = keys.substr(i + 1, close - i - 1);
    ShiftState mods = shift::None;
    while (name.size() > 2 && name[1] == '-') {
      mods |= name[0] == 'C' ? shift::Ctrl : shift::Shift;
      name.remove_prefix(2);
    }
    const KeyCode code = kNames.at(std::string(name));
    const String text = code == key::Tab ? u"\t" : code == key::Return ? u"\r" : u"";
    box.KeyDown(KeyEvent{code, mods, text});
    i = close;
  }
}

struct BoxCase {
  const char* name;
  const char* before;
  const char* keys;
  const char* after;
  const char* clipboard = nullptr;  // after the keys, when it matters
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class LineEditKeys : public testing::TestWithParam<BoxCase> {};

TEST_P(LineEditKeys, EditLikeAOneLineBox) {
  const BoxCase& c = GetParam();
  String clipboard = u"pasted";
  LineEdit box;
  box.SetClipboard([&] { return clipboard; }, [&](const String& text) { clipboard = text; });
  const Box start = ParseBox(c.before);
  box.SetText(start.text);
  box.Select(start.anchor, start.caret);
  Press(box, c.keys);
  EXPECT_EQ(Render(box), c.after) << c.keys;
  if (c.clipboard) {
    EXPECT_EQ(ToUtf8(clipboard), c.clipboard);
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, LineEditKeys, testing::Values(
    BoxCase{"typing", ":|", "w a.txt", ":w a.txt|"},
    BoxCase{"backspace", ":ab|", "{BS}", ":a|"},
    BoxCase{"backspace_at_start", "|:a", "{BS}", "|:a"},
    BoxCase{"delete", ":|ab", "{Del}", ":|b"},
    BoxCase{"delete_at_end", ":ab|", "{Del}", ":ab|"},
    BoxCase{"home_end", ":a|b", "{Home}x{End}y", "x:aby|"},
    BoxCase{"shift_right_selects", "|:abc", "{S-Right}", "^:|abc"},
    BoxCase{"typing_replaces_selection", ":1^2|", "5", ":15|"},
    BoxCase{"shift_left_then_type", ":12|", "{S-Left}5", ":15|"},
    BoxCase{"backspace_deletes_selection", "|:^abc", "{BS}", "|abc"},
    BoxCase{"left_collapses_to_start", ":^ab|c", "{Left}", ":|abc"},
    BoxCase{"right_collapses_to_end", ":^ab|c", "{Right}", ":ab|c"},
    BoxCase{"shift_home", ":a|bc", "{S-Home}", "|:a^bc"},
    BoxCase{"shift_end", ":a|bc", "{S-End}", ":a^bc|"},
    BoxCase{"word_moves", ":w |one two", "{C-Right}{C-Right}{C-Left}", ":w one |two"},
    BoxCase{"word_select", ":w |one two", "{C-S-Right}", ":w ^one |two"},
    BoxCase{"word_backspace", ":w one two|", "{C-BS}", ":w one |"},
    BoxCase{"word_delete", ":w |one two", "{C-Del}", ":w |two"},
    BoxCase{"select_all_and_copy", ":a|b", "{C-a}{C-c}", "^:ab|", ":ab"},
    BoxCase{"cut", ":^ab|c", "{C-x}", ":|c", "ab"},
    BoxCase{"cut_without_selection_keeps_clipboard", ":ab|", "{C-x}", ":ab|", "pasted"},
    BoxCase{"paste_replaces_selection", ":w ^x|", "{C-v}", ":w pasted|"},
    BoxCase{"shift_insert_pastes", ":|", "{S-Ins}", ":pasted|"},
    BoxCase{"shift_delete_cuts", ":^ab|", "{S-Del}", ":|", "ab"},
    BoxCase{"ctrl_insert_copies", ":^ab|", "{C-Ins}", ":^ab|", "ab"},
    BoxCase{"undo_typing_as_one_step", ":|", "abc{C-z}", ":|"},
    BoxCase{"undo_each_edit", ":|", "ab{Left}c{C-z}", ":a|b"},
    BoxCase{"undo_then_redo", ":|", "ab{BS}{C-z}{C-y}", ":a|"},
    BoxCase{"ctrl_shift_z_redoes", ":|", "ab{C-z}{C-S-z}", ":ab|"},
    BoxCase{"typing_after_undo_drops_redo", ":|", "ab{C-z}c{C-y}", ":c|"},
    BoxCase{"control_keys_type_nothing", ":|", "{Tab}{CR}", ":|"}));

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
  Press(box, "{Left}");
  EXPECT_EQ(box.CaretPos(), 1);
  Press(box, "{End}{BS}");
  EXPECT_EQ(box.Text(), u":e\u0301");
  Press(box, "{BS}");
  EXPECT_EQ(box.Text(), u":");
}

}  // namespace
}  // namespace quilmar
