// Find: exact and case-folded matching, ranges, matches across breaks, edited documents.
#include <random>

#include "model_fixture.hh"
#include "text/case_fold.hh"

namespace quilmar::testing {
namespace {

struct FindCase {
  const char* text;
  const char* needle;
  int start, end;
  FindOptions options;
  int want;
};

const FindCase kFinds[] = {
    {"abcabc", "abc", 0, -1, FindOptions::MatchCase, 0},
    {"abcabc", "abc", 1, -1, FindOptions::MatchCase, 3},
    {"abcabc", "abc", 1, 5, FindOptions::MatchCase, -1},  // must lie wholly before the end
    {"abcabc", "abc", 1, 6, FindOptions::MatchCase, 3},
    {"abcabc", "abc", 4, -1, FindOptions::MatchCase, -1},
    {"abcabc", "abc", 7, -1, FindOptions::MatchCase, -1},  // start past the end
    {"abcabc", "abc", 0, 100, FindOptions::MatchCase, 0},  // end past the text: the end of the text
    {"abcabc", "", 2, -1, FindOptions::MatchCase, 2},      // empty needle: found at the start
    {"abcabc", "", 6, -1, FindOptions::None, 6},
    {"abcabc", "", 4, 3, FindOptions::None, -1},
    {"abcabc", "", 7, -1, FindOptions::None, -1},
    {"aaaa", "aa", 1, -1, FindOptions::MatchCase, 1},
    {"Abc", "abc", 0, -1, FindOptions::MatchCase, -1},
    {"xAbC", "abc", 0, -1, FindOptions::None, 1},
    {"ab\r\ncd", "b\r\nc", 0, -1, FindOptions::MatchCase, 1},  // across a break
    {"ab\r\ncd\r\nef", "D\r\nE", 0, -1, FindOptions::None, 5},
    {"ab\r\ncd", "\r\n", 0, -1, FindOptions::None, 2},
    // Greek with a final sigma, Cyrillic, a supplementary-plane letter (Deseret), Kelvin.
    {"ὁ ΣΊΣΥΦΟΣ ἦν", "σίσυφος", 0, -1, FindOptions::None, 2},
    {"ὁ ΣΊΣΥΦΟΣ ἦν", "σίσυφος", 0, -1, FindOptions::MatchCase, -1},
    {"до свидания, ПРИВЕТ", "привет", 0, -1, FindOptions::None, 13},
    {"a \xF0\x90\x90\x80\xF0\x90\x90\x81 b", "\xF0\x90\x90\xA8\xF0\x90\x90\xA9", 0, -1, FindOptions::None, 2},
    {"a \xF0\x90\x90\x80\xF0\x90\x90\x81 b", "\xF0\x90\x90\xA8\xF0\x90\x90\xA9", 0, -1, FindOptions::MatchCase, -1},
    {"10 \xE2\x84\xAA", "10 k", 0, -1, FindOptions::None, 0},  // KELVIN SIGN folds to k
    {"STRASSE stra\xC3\x9F" "e", "\xE1\xBA\x9E", 0, -1, FindOptions::None, 12},  // capital sharp s
};

TEST(Find, AnswersAsTheTableSays) {
  for (const FindCase& c : kFinds) {
    ModelRig rig;
    rig.model.SetText(U(c.text));
    EXPECT_EQ(rig.model.Find(U(c.needle), c.start, EndAt(c.end), c.options), Found(c.want))
        << "\"" << c.needle << "\" in \"" << c.text << "\" from " << c.start << " to " << c.end;
  }
}

TEST(Find, SelectsTheHitUnlessToldNotTo) {
  ModelRig rig;
  rig.model.SetText(u"one two three");
  rig.model.SetSelStart(1);
  EXPECT_EQ(rig.model.Find(u"TWO", 0), 4);
  EXPECT_EQ(rig.model.SelStart(), 4);
  EXPECT_EQ(rig.model.SelLength(), 3);
  EXPECT_EQ(rig.model.Find(u"three", 0, std::nullopt, FindOptions::MatchCase | FindOptions::NoHighlight), 8);
  EXPECT_EQ(rig.model.SelStart(), 4);
  // No hit leaves the selection alone.
  EXPECT_EQ(rig.model.Find(u"four", 0), std::nullopt);
  EXPECT_EQ(rig.model.SelStart(), 4);
  EXPECT_EQ(rig.model.SelLength(), 3);
}

// Edited and unedited paragraphs are stored apart; searching must not care.
TEST(Find, AgreesWithAPlainSearchOnAnEditedDocument) {
  std::mt19937 rng(7);
  const char16_t alphabet[] = u"abAB \r\n";
  String text;
  for (int i = 0; i < 3000; ++i) {
    const char16_t c = alphabet[std::uniform_int_distribution<int>(0, 5)(rng)];
    text += c == u'\r' ? String(u"\r\n") : String(1, c);
  }
  ModelRig rig;
  rig.model.LoadText(text);
  String shadow = rig.model.Text();
  for (int round = 0; round < 300; ++round) {
    const int at = std::uniform_int_distribution<int>(0, static_cast<int>(shadow.size()))(rng);
    rig.model.SetSelStart(at);
    const int s = rig.model.SelStart().value();
    const String ins = round % 3 == 0 ? u"ab\r\nba" : u"Ba";
    rig.model.SetSelText(ins);
    shadow.insert(static_cast<std::size_t>(s), ins);
    String needle;
    const int n = std::uniform_int_distribution<int>(1, 5)(rng);
    for (int i = 0; i < n; ++i) needle += alphabet[std::uniform_int_distribution<int>(0, 4)(rng)];
    const int from = std::uniform_int_distribution<int>(0, static_cast<int>(shadow.size()))(rng);
    const std::size_t want = shadow.find(needle, static_cast<std::size_t>(from));
    ASSERT_EQ(rig.model.Find(needle, from, std::nullopt, FindOptions::MatchCase | FindOptions::NoHighlight), Found(want))
        << "needle \"" << S(needle) << "\" from " << from;
    String folded = shadow, foldedNeedle = needle;
    for (auto* s2 : {&folded, &foldedNeedle}) {
      for (char16_t& ch : *s2) ch = static_cast<char16_t>(FoldCase(ch));
    }
    const std::size_t wantFolded = folded.find(foldedNeedle, static_cast<std::size_t>(from));
    ASSERT_EQ(rig.model.Find(needle, from, std::nullopt, FindOptions::NoHighlight), Found(wantFolded));
  }
}

TEST(CaseFold, FoldsByCodePoint) {
  EXPECT_EQ(FoldCase(U'A'), U'a');
  EXPECT_EQ(FoldCase(U'z'), U'z');
  EXPECT_EQ(FoldCase(0x03A3), 0x03C3u);   // Σ
  EXPECT_EQ(FoldCase(0x03C2), 0x03C3u);   // final ς
  EXPECT_EQ(FoldCase(0x0416), 0x0436u);   // Ж
  EXPECT_EQ(FoldCase(0x10400), 0x10428u); // Deseret
  EXPECT_EQ(FoldCase(0x1E9E), 0x00DFu);   // ẞ folds simply to ß
  EXPECT_EQ(CaseVariants(U'k'), (std::vector<char32_t>{U'K', U'k', 0x212A}));
}

}  // namespace
}  // namespace quilmar::testing
