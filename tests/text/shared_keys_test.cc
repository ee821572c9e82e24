// The keys both text controls share, and the one rule of what a word is: each case runs on the
// document (TextModel) and on the command box (LineEdit), which must end alike. Marked text:
// "|" the caret, "^" the other end of a selection; keys in quilmar-batch's notation.
#include "text/line_edit.hh"
#include "text/word_motion.hh"

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

const ScriptCase kScriptCases[] = {
    {"word_right_stops_after_the_spaces", "|hello, world", "<C-Right><C-Right>", "hello, |world"},
    {"word_left_goes_to_word_starts", "hello wor|ld", "<C-Left><C-Left>", "|hello world"},
    {"punctuation_runs_are_words", "|a_1+=b", "<C-Right><C-Right>", "a_1+=|b"},
    {"non_ascii_characters_are_word_characters", "|h\u00e9llo\u00abx\u00bb z", "<C-Right>", "h\u00e9llo\u00abx\u00bb |z"},
    {"word_left_skips_the_spaces_first", "ab  |cd", "<C-Left>", "|ab  cd"},
    {"ctrl_shift_right_selects_a_word", "|ab cd", "<C-S-Right>", "^ab |cd"},
    {"ctrl_backspace_removes_a_word", "hello world|", "<C-BS>", "hello |"},
    {"ctrl_delete_removes_a_word_and_its_spaces", "|hello world", "<C-Del>", "|world"},
    {"shift_backspace_is_backspace", "ab|", "<S-BS>", "a|"},
    {"home_and_shift_end", "a|bc", "<Home><S-End>", "^abc|"},
    {"typing_undoes_as_one_step", "|", "abc<C-z>", "|"},
    {"a_caret_move_starts_a_new_step", "|", "ab<Left>c<C-z>", "a|b"},
    {"redo_after_undo", "|", "ab<BS><C-z><C-y>", "a|"},
    {"typing_over_a_selection_is_its_own_step", "|xy", "ab<S-Right>c<C-z>", "ab^x|y"},
};

class SharedKeys : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(SharedKeys, DocumentAndCommandBoxEndAlike) {
  const ScriptCase& c = GetParam();
  const Marked start = ParseMarked(c.before);
  ModelRig rig;
  rig.model.SetText(start.text);
  rig.model.Select(start.anchor, start.caret);
  Press(rig.model, c.keys);
  EXPECT_EQ(Render(rig.model), c.after) << "document";
  LineEdit box;
  box.SetText(start.text);
  box.Select(static_cast<std::int32_t>(start.anchor.value()), static_cast<std::int32_t>(start.caret.value()));
  Press(box, c.keys);
  EXPECT_EQ(Render(box), c.after) << "command box";
}

INSTANTIATE_TEST_SUITE_P(Table, SharedKeys, ::testing::ValuesIn(kScriptCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What a double-click selects in either view: a run of word characters or of blanks, or one
// punctuation character; the end of the line takes the character before it.
TEST(WordAround, RunsOfOneClassOrOnePunctuationCharacter) {
  struct Case {
    const char* line;
    std::int32_t offset;
    std::optional<WordSpan> word;
  };
  const Case cases[] = {
      {"hello world_2 end", 8, WordSpan{6, 13}},
      {"a   b", 2, WordSpan{1, 4}},
      {"x+=y", 1, WordSpan{1, 2}},
      {"d\u00e9j\u00e0 vu", 3, WordSpan{0, 4}},
      {"a\t b", 1, WordSpan{1, 3}},
      {"ab", 2, WordSpan{0, 2}},
      {"", 0, std::nullopt},
      {"ab", 3, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(WordAround(U(c.line), c.offset), c.word);
  }
}

}  // namespace
}  // namespace quilmar::testing
