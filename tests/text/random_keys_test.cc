// Random key sequences (no Ctrl+A, so the text grows instead of being wiped now and then): whatever is pressed, the caret never rests inside a pair, breaks stay
// "\r\n", and the whole history undoes back to the start and redoes to its top.
#include <random>

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

bool OnlyPairedBreaks(const String& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\n' && (i == 0 || s[i - 1] != u'\r')) return false;
    if (s[i] == u'\r' && (i + 1 >= s.size() || s[i + 1] != u'\n')) return false;
  }
  return true;
}

bool InsideAPair(const String& s, CharPos pos) {
  if (pos <= 0 || pos >= CharPos(s.size())) return false;
  const char16_t a = s[static_cast<std::size_t>(pos) - 1], b = s[static_cast<std::size_t>(pos)];
  return (a == u'\r' && b == u'\n') || (IsHighSurrogate(a) && IsLowSurrogate(b));
}

KeyEvent RandomKey(std::mt19937& rng) {
  static const KeyCode kCodes[] = {key::Left, key::Right, key::Up, key::Down, key::Home, key::End,
                                   key::PageUp, key::PageDown, key::Back, key::Delete, key::Return,
                                   key::Tab, 67, key::X, key::V, key::Z, key::Y};
  static const char16_t* const kTexts[] = {u"a", u"b", u" ", u"\xD83D\xDE00", u"\xE9", u"w"};
  std::uniform_int_distribution<int> pick(0, 99);
  if (pick(rng) < 35) {
    const char16_t* t = kTexts[std::uniform_int_distribution<std::size_t>(0, std::size(kTexts) - 1)(rng)];
    return KeyEvent{key::Space, shift::None, t};
  }
  const KeyCode code = kCodes[std::uniform_int_distribution<std::size_t>(0, std::size(kCodes) - 1)(rng)];
  const auto mods = static_cast<ShiftState>(std::uniform_int_distribution<int>(0, 3)(rng));  // Shift, Ctrl
  return KeyEvent{code, mods, {}};
}

TEST(RandomKeys, InvariantsHoldAndHistoryRoundTrips) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    ModelRig rig(static_cast<int>(6 + seed * 3), 4);
    String clip = u"x\ny";
    rig.model.SetClipboard([&] { return clip; }, [&](const String& s) { clip = s; });
    const String initial = u"ab\r\ncd ef\r\n\xD83D\xDE00 g";
    rig.model.SetText(initial);
    for (int step = 0; step < 3000; ++step) {
      const KeyEvent k = RandomKey(rng);
      rig.model.KeyDown(k);
      const String text = rig.model.Text();
      ASSERT_TRUE(OnlyPairedBreaks(text)) << "seed " << seed << " step " << step;
      ASSERT_LE(rig.model.CaretPos(), rig.model.Length());
      ASSERT_LE(rig.model.AnchorPos(), rig.model.Length());
      ASSERT_FALSE(InsideAPair(text, rig.model.CaretPos())) << "seed " << seed << " step " << step;
      ASSERT_FALSE(InsideAPair(text, rig.model.AnchorPos())) << "seed " << seed << " step " << step;
      ASSERT_GE(rig.model.GetLineCount(), 1);
      ASSERT_EQ(*rig.model.LineIndex(rig.model.LineFromChar(rig.model.Length())) +
                    rig.model.LineLength(rig.model.Length()),
                rig.model.Length());
    }
    while (rig.model.CanRedo()) rig.model.Redo();
    const String top = rig.model.Text();
    while (rig.model.CanUndo()) rig.model.Undo();
    EXPECT_EQ(rig.model.Text(), initial) << "seed " << seed;
    while (rig.model.CanRedo()) rig.model.Redo();
    EXPECT_EQ(rig.model.Text(), top) << "seed " << seed;
  }
}

}  // namespace
}  // namespace quilmar::testing
