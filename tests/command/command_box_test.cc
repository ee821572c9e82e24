// The command box's keys: Enter runs the line, Escape abandons it, Backspace right after the
// leading character leaves the box; every other key just edits it.
#include "../editor/script_editor.hh"

namespace quilmar::testing {
namespace {

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
