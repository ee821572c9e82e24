// Grapheme clusters under the editor's keys, headless and through the window: no key, "x",
// Backspace, Delete, "a", search hit or assigned SelStart leaves the caret inside a cluster
// (a letter with its marks, emoji sequences and modifiers, flags, Hangul jamo). Documents are
// marked text (key_script.hh): "|" the caret, "[...]" a selection. The text reaches the editor
// through the clipboard, the caret through <sel:...>, as a program's assignment would.
#include "batch_compare.hh"
#include "key_script.hh"

namespace quilmar::testing {
namespace {

struct ClusterCase {
  std::string_view name;
  std::string before;  // marked
  std::string keys;
  std::string after;   // marked
  std::string clipboard;  // checked when not empty
};

void PrintTo(const ClusterCase& c, std::ostream* os) { *os << c.name; }

std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out + "\"";
}

BatchCase ToBatch(const ClusterCase& c) {
  const Marked before = ParseMarked(c.before);
  const Marked after = ParseMarked(c.after);
  BatchCase batch{c.name, {"--clipboard", S(before.text)},
                  "i<C-v><Esc><sel:" + std::to_string(before.selStart.value()) + "," + std::to_string(before.selLength.value()) + ">" + c.keys,
                  {"\"text\":" + Json(S(after.text)),
                   "\"selStart\":" + std::to_string(after.selStart.value()) + ",\"selLength\":" + std::to_string(after.selLength.value())}};
  if (!c.clipboard.empty()) batch.expected.push_back("\"clipboard\":" + Json(c.clipboard));
  return batch;
}

class ClusterKeys : public ::testing::TestWithParam<ClusterCase> {};
TEST_P(ClusterKeys, HeadlessAndWindowAgree) { RunBatchCase(ToBatch(GetParam())); }

#define FAMILY "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"
#define THUMB "\U0001F44D\U0001F3FD"
#define DE "\U0001F1E9\U0001F1EA"
#define FR "\U0001F1EB\U0001F1F7"
#define IT "\U0001F1EE\U0001F1F9"

const ClusterCase kCases[] = {
    // A letter and its combining accent are one step, one deletion.
    {"right_steps_over_an_accent", "|e\u0301x", "<Right>", "e\u0301|x", ""},
    {"left_steps_back_over_an_accent", "e\u0301|x", "<Left>", "|e\u0301x", ""},
    {"x_deletes_letter_and_accent", "|e\u0301x", "x", "|x", ""},
    {"backspace_deletes_letter_and_accent", "e\u0301|x", "i<BS>", "|x", ""},
    {"a_moves_past_the_accent", "|e\u0301x", "aZ", "e\u0301Z|x", ""},
    {"selstart_inside_an_accent_moves_past_it", "e|\u0301x", "", "e\u0301|x", ""},
    {"typing_before_a_lone_mark_joins_it", "|\u0301ab", "iZ", "Z\u0301|ab", ""},
    // A line of every kind of emoji: a caret set inside the family goes past it, typing never
    // splits it, steps and selections take each sequence whole.
    {"typing_after_a_caret_set_inside_the_family", "Emoji: \U0001F600 " THUMB " \U0001F468|\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466 " DE " end",
     "iZ", "Emoji: \U0001F600 " THUMB " " FAMILY "Z| " DE " end", ""},
    {"right_steps_over_each_emoji", "Emoji: |\U0001F600 " THUMB " " FAMILY " " DE " end", "<Right><Right><Right><Right><Right><Right>",
     "Emoji: \U0001F600 " THUMB " " FAMILY " |" DE " end", ""},
    {"shift_right_selects_the_family_whole", "Emoji: \U0001F600 " THUMB " |" FAMILY " " DE " end", "<S-Right>y",
     "Emoji: \U0001F600 " THUMB " [" FAMILY "] " DE " end", FAMILY},
    {"shift_left_selects_the_family_whole", "Emoji: \U0001F600 " THUMB " " FAMILY "| " DE " end", "<S-Left>",
     "Emoji: \U0001F600 " THUMB " [" FAMILY "] " DE " end", ""},
    {"x_deletes_a_flag", "Emoji: \U0001F600 " THUMB " " FAMILY " |" DE " end", "x", "Emoji: \U0001F600 " THUMB " " FAMILY " | end", ""},
    {"delete_takes_the_thumb_and_its_skin_tone", "|" THUMB "!", "i<Del>", "|!", ""},
    {"backspace_takes_the_whole_family", "a" FAMILY "|b", "i<BS>", "a|b", ""},
    {"a_selection_ending_inside_the_family_grows_over_it", "a[\U0001F468]\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466b",
     "y", "a[" FAMILY "]b", FAMILY},
    // Regional indicators pair up from the start of their run.
    {"flags_pair_up", DE "|" FR IT, "<S-Right>y", DE "[" FR "]" IT, FR},
    {"selstart_inside_a_flag_moves_past_it", DE "\U0001F1EB|\U0001F1F7", "", DE FR "|", ""},
    // Conjoining jamo make one syllable.
    {"hangul_jamo_are_one_syllable", "|\u1112\u1161\u11AB\u1112\u1161", "x", "|\u1112\u1161", ""},
    // A search hit that ends inside a cluster selects all of it.
    {"search_hit_grows_to_the_whole_cluster", "|e\u0301 e", "/e<CR>", "[e\u0301] e", ""},
    // Right-to-left text: the caret moves in logical order.
    {"caret_moves_in_logical_order_through_hebrew", "ab |\u05D0\u05D1\u05D2 12", "<Right><Right>", "ab \u05D0\u05D1|\u05D2 12", ""},
};
INSTANTIATE_TEST_SUITE_P(Cases, ClusterKeys, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quilmar::testing
