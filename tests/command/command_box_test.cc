// The command box's keys: Enter runs the line, Escape abandons it, Backspace right after the
// leading character leaves the box; every other key just edits it.
#include "../editor/script_editor.hh"

namespace quilmar::testing {
namespace {

class BoxScript : public ::testing::TestWithParam<ScriptCase> {};
TEST_P(BoxScript, Runs) { RunCase(GetParam()); }

const ScriptCase kBoxKeys[] = {
    {"escape_abandons_a_write", "ab|c", ":w x.txt<Esc>", {.doc = "ab|c", .mode = "", .message = "", .commandMode = true, .locked = true, .inCommandBox = false, .cmdText = ""}},
    {"escape_after_slash", "ab|c", "/abc<Esc>", {.doc = "ab|c", .mode = "", .inCommandBox = false, .cmdText = "", .searchPos = 0}},
    {"backspace_at_one_leaves", "ab|c", ":<BS>", {.mode = "", .commandMode = true, .inCommandBox = false}},
    {"backspace_at_one_with_text_after", "ab|c", ":q!<Left><Left><BS>", {.mode = "", .inCommandBox = false}},
    {"backspace_elsewhere_edits", "ab|c", ":ab<BS>", {.mode = "Command", .inCommandBox = true, .cmdText = ":a"}},
    {"backspace_at_zero_does_nothing", "ab|c", ":ab<Home><BS>", {.mode = "Command", .inCommandBox = true, .cmdText = ":ab"}},
    {"backspace_twice_leaves_on_second", "ab|c", ":a<BS><BS>", {.mode = "", .inCommandBox = false}},
    {"enter_on_lone_colon", "ab|c", ":<Enter>", {.mode = "Command", .message = "Invalid command", .inCommandBox = false, .cmdText = ""}},
    {"enter_keeps_search_mode_panel", "ab|c", "/zz<Enter>", {.mode = "Search", .message = "Pattern not found: zz", .inCommandBox = false, .cmdText = ""}},
    {"enter_on_lone_slash_searches_empty", "ab|c", "/<Enter>", {.inCommandBox = false, .cmdText = ""}},
    {"letters_digits_arrows_just_edit", "ab|c", ":1x<Left>2<Right>y", {.mode = "Command", .inCommandBox = true, .cmdText = ":12xy"}},
    {"keys_in_box_leave_document_alone", "ab|c", ":dd0$<Del>", {.doc = "ab|c", .textChanged = false}},
    {"document_keys_work_after_return", "a|b\ncd", ":<Esc>dd", {.doc = "|cd"}},
    {"unsaved_quit_refused", "ab|c", "x:q<Enter>", {.message = "Unsaved changes, use q! to override", .inCommandBox = false, .cmdText = ""}},
};
INSTANTIATE_TEST_SUITE_P(CommandBox, BoxScript, ::testing::ValuesIn(kBoxKeys),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CommandBox, LeavingByBackspaceRunsNothing) {
  ScriptEditor ed;
  ed.Load("ab|c");
  ed.Run(":q!<Home><Right><BS>");
  EXPECT_FALSE(ed.app().Closed());
  EXPECT_FALSE(ed.InCommandBox());
  ed.Run("<Enter>");  // Enter now goes to the document, which is locked
  EXPECT_FALSE(ed.app().Closed());
  EXPECT_EQ(ed.Doc(), "ab|c");
}

TEST(CommandBox, EnterGivesTheFocusBackBeforeTheCommandRuns) {
  ScriptEditor ed;
  ed.Load("abc");
  // The save dialog of ":w" without a file is shown while the document has the focus; it is
  // cancelled here, so nothing is written and nothing reported.
  ed.editor().dialogs.QueueFile(std::nullopt);
  ed.Command(":w");
  EXPECT_EQ(ed.editor().dialogs.StartFolders().size(), 1u);
  EXPECT_FALSE(ed.InCommandBox());
  EXPECT_EQ(ed.Message(), "");
  EXPECT_EQ(ed.CmdText(), "");
}

}  // namespace
}  // namespace quilmar::testing
