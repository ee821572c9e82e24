// The key notation: each form read into the event it stands for, and the errors. (Which code
// each character and name stands for is the key tables' business; a few rows of each kind
// stand for the rest, and every editor key table reads its scripts through this parser.)
#include "key_script.hh"

#include <gtest/gtest.h>

namespace quilmar::batch {
namespace {

// The editor's event that a step of a parsed script holds, of the kind expected.
template <typename E>
const E& EventAt(const KeyScript& parsed, std::size_t i) {
  return std::get<E>(std::get<Event>(parsed.steps.at(i)));
}

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
  ASSERT_EQ(parsed.steps.size(), 1u);
  const auto* event = std::get_if<Event>(&parsed.steps[0]);
  ASSERT_TRUE(event);
  const auto* down = std::get_if<KeyDownEvent>(event);
  ASSERT_TRUE(down);
  const KeyEvent* key = &down->key;
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
  ASSERT_EQ(parsed.steps.size(), 9u);
  EXPECT_EQ(EventAt<KeyDownEvent>(parsed, 0).key.text, u"i");
  EXPECT_EQ(EventAt<KeyDownEvent>(parsed, 1).key.text, u"<");
  const auto& sel = EventAt<SelectEvent>(parsed, 2);
  EXPECT_EQ(sel.anchor, 3);
  EXPECT_EQ(sel.caret, 17);
  EXPECT_EQ(EventAt<MouseUpEvent>(parsed, 3).button, mouse::Left);
  EXPECT_EQ(EventAt<MouseUpEvent>(parsed, 4).button, mouse::Right);
  EXPECT_EQ(EventAt<MouseUpEvent>(parsed, 5).button, mouse::Middle);
  EXPECT_EQ(EventAt<MenuClickEvent>(parsed, 6).item, MenuItem::mnuWordWrap);
  EXPECT_TRUE(std::holds_alternative<CloseEvent>(std::get<Event>(parsed.steps[7])));
  const auto& resize = std::get<ResizeStep>(parsed.steps[8]);
  EXPECT_EQ(resize.width, 3000);
  EXPECT_EQ(resize.height, 2000);
}

TEST(KeyScript, EveryMenuItemCanBeClickedByName) {
  for (const auto& info : kMenuItems) {
    const KeyScript parsed = ParseKeyScript("<menu:" + std::string(info.name) + ">");
    ASSERT_FALSE(parsed.error) << info.name;
    EXPECT_EQ(EventAt<MenuClickEvent>(parsed, 0).item, info.item);
  }
}

TEST(KeyScript, EmptyScriptHasNoEvents) {
  const KeyScript parsed = ParseKeyScript("");
  EXPECT_FALSE(parsed.error);
  EXPECT_TRUE(parsed.steps.empty());
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
  EXPECT_TRUE(parsed.steps.empty());
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
