// The headless command box edits as a one-line text box does.
#include "command_box.hh"

#include <gtest/gtest.h>

#include "platform/us_keyboard.hh"

namespace quilmar {
namespace {

// Applies a script of keys: printable characters type, and a few named keys in braces.
void Apply(headless::CommandBox& box, std::string_view script) {
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (script[i] == '{') {
      const auto close = script.find('}', i);
      const std::string_view name = script.substr(i + 1, close - i - 1);
      const KeyCode code = name == "BS" ? key::Back : name == "Del" ? key::Delete
                         : name == "Left" ? key::Left : name == "Right" ? key::Right
                         : name == "Home" ? key::Home : name == "End" ? key::End
                         : name == "CR" ? key::Return : key::Escape;
      box.ApplyKey(KeyEvent{code, shift::None, {}});
      i = close;
    } else {
      box.ApplyKey(*UsKeyFor(script[i]));
    }
  }
}

struct BoxCase {
  const char16_t* start;   // the text assigned before the keys
  std::int32_t caret;      // SelStart assigned after it
  const char* keys;
  const char16_t* text;
  std::int32_t selStart;
};

void PrintTo(const BoxCase& c, std::ostream* os) {
  *os << '"' << ToUtf8(c.start) << "\" at " << c.caret << " then " << c.keys;
}

class CommandBoxKeys : public testing::TestWithParam<BoxCase> {};

TEST_P(CommandBoxKeys, EditLikeAOneLineBox) {
  const BoxCase& c = GetParam();
  headless::CommandBox box;
  box.SetText(c.start);
  box.SetSelStart(c.caret);
  Apply(box, c.keys);
  EXPECT_EQ(box.Text(), c.text) << c.keys;
  EXPECT_EQ(box.SelStart(), c.selStart) << c.keys;
}

INSTANTIATE_TEST_SUITE_P(Keys, CommandBoxKeys, testing::Values(
    BoxCase{u":", 1, "w a.txt", u":w a.txt", 8},
    BoxCase{u":", 1, "{BS}", u"", 0},
    BoxCase{u":", 0, "{BS}", u":", 0},                 // nothing before the caret
    BoxCase{u":abc", 4, "{Left}{Left}{BS}", u":bc", 1},
    BoxCase{u":abc", 1, "{Del}", u":bc", 1},
    BoxCase{u":abc", 4, "{Del}", u":abc", 4},          // nothing after the caret
    BoxCase{u":abc", 2, "{Home}x{End}y", u"x:abcy", 6},
    BoxCase{u":ab", 3, "{Right}{Right}z", u":abz", 4}, // Right stops at the end
    BoxCase{u":ab", 0, "{Left}z", u"z:ab", 1},
    BoxCase{u":ab", 3, "{CR}{Esc}", u":ab", 3},        // Enter and Escape type nothing
    BoxCase{u"/\U0001F600", 3, "{BS}", u"/", 1},       // a surrogate pair goes whole
    BoxCase{u"/\U0001F600x", 1, "{Right}{Del}", u"/\U0001F600", 3},
    BoxCase{u"/\U0001F600x", 4, "{Left}{Left}y", u"/y\U0001F600x", 2}));

TEST(CommandBox, AssignedTextPutsTheCaretAtTheEndAndDropsLineBreaks) {
  headless::CommandBox box;
  box.SetText(u":w a\r\nb");
  EXPECT_EQ(box.Text(), u":w ab");
  EXPECT_EQ(box.SelStart(), 5);
  box.SetSelStart(99);
  EXPECT_EQ(box.SelStart(), 5);
  box.SetSelStart(-3);
  EXPECT_EQ(box.SelStart(), 0);
  box.SetSelText(u"\t>");
  EXPECT_EQ(box.Text(), u">:w ab");
  EXPECT_EQ(box.SelStart(), 1);
  EXPECT_EQ(box.SelText(), u"");
}

TEST(CommandBox, KeysWithCtrlOrAltTypeNothing) {
  headless::CommandBox box;
  box.ApplyKey(KeyEvent{key::V, shift::Ctrl, {}});
  box.ApplyKey(KeyEvent{key::X, shift::Alt, {}});
  EXPECT_EQ(box.Text(), u"");
}

}  // namespace
}  // namespace quilmar
