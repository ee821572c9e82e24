// The key notation: each form read into the event it stands for, and the errors. (Which code
// each character and name stands for is the key tables' business; a few rows of each kind
// stand for the rest, and every editor key table reads its scripts through this parser.)
#include "key_script.hh"

#include <gtest/gtest.h>

namespace quilmar::batch {
namespace {

struct KeyCase {
  const char* script;
  KeyCode code;
  ShiftState shift;
  const char16_t* text;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << '"' << c.script << '"'; }

class OneKey : public testing::TestWithParam<KeyCase> {};

TEST_P(OneKey, ReadsAsItsKeyCodeShiftAndText) {
  const KeyCase& c = GetParam();
  const KeyScript parsed = ParseKeyScript(c.script);
  ASSERT_FALSE(parsed.error) << *parsed.error;
  ASSERT_EQ(parsed.events.size(), 1u);
  const auto* key = std::get_if<KeyEvent>(&parsed.events[0]);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->code, c.code);
  EXPECT_EQ(key->shift, c.shift);
  EXPECT_EQ(key->text, c.text);
}

INSTANTIATE_TEST_SUITE_P(Characters, OneKey, testing::Values(
    KeyCase{"a", 65, shift::None, u"a"},
    KeyCase{"A", 65, shift::Shift, u"A"},
    KeyCase{"$", 52, shift::Shift, u"$"},
    KeyCase{":", 186, shift::Shift, u":"},
    KeyCase{"\"", 222, shift::Shift, u"\""},
    KeyCase{" ", 32, shift::None, u" "},
    KeyCase{">", 190, shift::Shift, u">"}));

INSTANTIATE_TEST_SUITE_P(Named, OneKey, testing::Values(
    KeyCase{"<Esc>", 27, shift::None, u""},
    KeyCase{"<esc>", 27, shift::None, u""},
    KeyCase{"<Space>", 32, shift::None, u" "},
    KeyCase{"<F12>", 123, shift::None, u""},
    KeyCase{"<PageDown>", 34, shift::None, u""},
    KeyCase{"<lt>", 188, shift::Shift, u"<"}));

INSTANTIATE_TEST_SUITE_P(Modifiers, OneKey, testing::Values(
    KeyCase{"<C-v>", 86, shift::Ctrl, u""},
    KeyCase{"<C-V>", 86, shift::Ctrl | shift::Shift, u""},
    KeyCase{"<S-Ins>", 45, shift::Shift, u""},
    KeyCase{"<C-S-x>", 88, shift::Ctrl | shift::Shift, u""},
    KeyCase{"<S-C-x>", 88, shift::Ctrl | shift::Shift, u""},
    KeyCase{"<A-x>", 88, shift::Alt, u""},
    KeyCase{"<c-o>", 79, shift::Ctrl, u""},
    KeyCase{"<S-a>", 65, shift::Shift, u"A"},
    KeyCase{"<S-4>", 52, shift::Shift, u"$"},
    KeyCase{"<S-->", 189, shift::Shift, u"_"},
    KeyCase{"<C-->", 189, shift::Ctrl, u""},
    KeyCase{"<S-Left>", 37, shift::Shift, u""},
    KeyCase{"<S-Space>", 32, shift::Shift, u" "},
    KeyCase{"<C-Space>", 32, shift::Ctrl, u""}));

TEST(KeyScript, ReadsEventsInOrderAndSkipsLineBreaks) {
  const KeyScript parsed = ParseKeyScript("i<lt>\n<sel:3,14><LeftUp><RightUp>\r\n<MiddleUp>"
                                          "<menu:mnuWordWrap><close><resize:3000,2000>");
  ASSERT_FALSE(parsed.error) << *parsed.error;
  ASSERT_EQ(parsed.events.size(), 9u);
  EXPECT_EQ(std::get<KeyEvent>(parsed.events[0]).text, u"i");
  EXPECT_EQ(std::get<KeyEvent>(parsed.events[1]).text, u"<");
  const auto& sel = std::get<SelectEvent>(parsed.events[2]);
  EXPECT_EQ(sel.start, 3);
  EXPECT_EQ(sel.length, 14);
  EXPECT_EQ(std::get<MouseUpEvent>(parsed.events[3]).button, mouse::Left);
  EXPECT_EQ(std::get<MouseUpEvent>(parsed.events[4]).button, mouse::Right);
  EXPECT_EQ(std::get<MouseUpEvent>(parsed.events[5]).button, mouse::Middle);
  EXPECT_EQ(std::get<MenuEvent>(parsed.events[6]).item, MenuItem::mnuWordWrap);
  EXPECT_TRUE(std::holds_alternative<CloseEvent>(parsed.events[7]));
  const auto& resize = std::get<ResizeEvent>(parsed.events[8]);
  EXPECT_EQ(resize.width, 3000);
  EXPECT_EQ(resize.height, 2000);
}

TEST(KeyScript, EveryMenuItemCanBeClickedByName) {
  for (const auto& info : kMenuItems) {
    const KeyScript parsed = ParseKeyScript("<menu:" + std::string(info.name) + ">");
    ASSERT_FALSE(parsed.error) << info.name;
    EXPECT_EQ(std::get<MenuEvent>(parsed.events.at(0)).item, info.item);
  }
}

TEST(KeyScript, EmptyScriptHasNoEvents) {
  const KeyScript parsed = ParseKeyScript("");
  EXPECT_FALSE(parsed.error);
  EXPECT_TRUE(parsed.events.empty());
}

struct ErrorCase {
  const char* script;
  const char* where;    // "at character N"
  const char* mention;  // a word the message must hold
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << '"' << c.script << '"'; }

class BadScript : public testing::TestWithParam<ErrorCase> {};

TEST_P(BadScript, IsRefusedWithOneLineSayingWhereAndWhat) {
  const ErrorCase& c = GetParam();
  const KeyScript parsed = ParseKeyScript(c.script);
  ASSERT_TRUE(parsed.error);
  EXPECT_TRUE(parsed.events.empty());
  EXPECT_NE(parsed.error->find(c.where), std::string::npos) << *parsed.error;
  EXPECT_NE(parsed.error->find(c.mention), std::string::npos) << *parsed.error;
  EXPECT_EQ(parsed.error->find('\n'), std::string::npos) << *parsed.error;
}

INSTANTIATE_TEST_SUITE_P(Errors, BadScript, testing::Values(
    ErrorCase{"ab<Foo>", "at character 3", "<Foo>"},
    ErrorCase{"a<", "at character 2", "<lt>"},
    ErrorCase{"<Esc", "at character 1", "closing"},
    ErrorCase{"<>", "at character 1", "unknown key"},
    ErrorCase{"<C->", "at character 1", "unknown key"},
    ErrorCase{"<X-a>", "at character 1", "unknown key"},
    ErrorCase{"<sel:1>", "at character 1", "sel:"},
    ErrorCase{"<sel:-1,2>", "at character 1", "sel:"},
    ErrorCase{"<sel:1,2,3>", "at character 1", "sel:"},
    ErrorCase{"<sel:99999999999999999999,1>", "at character 1", "sel:"},
    ErrorCase{"<resize:3000>", "at character 1", "resize:"},
    ErrorCase{"<resize:99999999999,3000>", "at character 1", "resize:"},
    ErrorCase{"<menu:mnuNothing>", "at character 1", "mnuNothing"},
    ErrorCase{"<menu:mnuopen>", "at character 1", "mnuopen"},  // item names are exact
    ErrorCase{"ab\tc", "at character 3", "control character"},
    ErrorCase{"x\xc3\xa9", "at character 2", "ASCII"}));

}  // namespace
}  // namespace quilmar::batch
