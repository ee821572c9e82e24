// The command lines, in the parser's order: the exact write and quit commands, the search,
// the write commands with a name, the substitution, go to line, and everything else.
#include "command/parser.hh"
#include "app_test_access.hh"

#include "../editor/script_editor.hh"

namespace quilmar::testing {
namespace {

constexpr const char* kDocFile = "/home/user/doc.txt";
constexpr const char* kOther = "/home/user/other.txt";
constexpr const char* kNew = "/home/user/new.txt";

// One write or quit line on the one-line document "hello".
struct WriteCase {
  std::string_view line = "";
  bool hasFile = false;        // CurrentFile is kDocFile (on disk, holding "old")
  bool changed = true;         // unsaved changes before the line
  bool readOnly = false;       // the file on disk (kDocFile and kOther) is read-only
  std::string_view message = "";  // the message panel afterwards
  bool closed = false;
  std::string_view written = "";  // the path that holds "hello" afterwards ("": none)
  int saveDialogs = 0;         // how often the save dialog was shown
  std::string_view dialogAnswer = "";  // its answer ("": cancelled)
};

const WriteCase kWriteCases[] = {
    // 1 ":w"
    {":w", true, true, false, "Written", false, kDocFile},
    {":w", false, true, false, "", false, "", 1},
    {":w", false, true, false, "Written", false, kNew, 1, kNew},
    {":w", true, true, true, "File is read only"},
    // 2 ":w!"
    {":w!", true, true, true, "Written", false, kDocFile},
    {":w!", false, true, false, "Written", false, kOther, 1, kOther},  // over an existing file
    // 3 ":q"
    {":q", false, true, false, "Unsaved changes, use q! to override"},
    {":q", false, false, false, "", true},
    // 4 ":q!"
    {":q!", false, true, false, "", true},
    // 5 ":wq"
    {":wq", true, true, false, "Written", true, kDocFile},
    {":wq", false, true, false, "Written", false, kNew, 1, kNew},  // the dialog never quits
    {":wq", true, true, true, "File is read only"},
    // 6 ":w!q"
    {":w!q", true, true, true, "Written", true, kDocFile},
    {":w!q", false, true, false, "", false, "", 1},
    // 8 to 11: a name after the first space, nothing trimmed
    {":w /home/user/new.txt", false, true, false, "Written", false, kNew},
    {":w new.txt", false, true, false, "Written", false, kNew},
    {":w  new.txt", false, true, false, "Written", false, "/home/user/ new.txt"},
    {":w my file.txt", false, true, false, "Written", false, "/home/user/my file.txt"},
    {":w ", true, true, false, ""},  // an empty name writes nothing, shows nothing
    {":w /home/user/other.txt", true, true, false, "File exists, use \"w!\" to override."},
    {":w! /home/user/other.txt", true, true, false, "Written", false, kOther},
    {":w! /home/user/other.txt", true, true, true, "Written", false, kOther},
    {":wq /home/user/new.txt", true, true, false, "Written", true, kNew},
    {":wq /home/user/other.txt", true, true, false, "File exists, use \"w!\" to override."},
    {":w!q /home/user/other.txt", false, true, false, "Written", true, kOther},
    // the traps: exact tests allow no extra characters and fold no case
    {":q ", false, false, false, "Invalid command"},
    {":W", true, true, false, "Invalid command"},
    {":Q", false, false, false, "Invalid command"},
    {":", false, false, false, "Invalid command"},
    {":$", false, false, false, "Invalid command"},
    {":wq!", true, true, false, "Invalid command"},
    {":w!q!", true, true, false, "Invalid command"},
    {":x", true, true, false, "Invalid command"},
    {":qw", false, false, false, "Invalid command"},
    {":W foo", false, true, false, "Invalid command"},
};

// The document came from kDocFile, as a load would have made it.
void AdoptFile(ScriptEditor& ed) {
  AppTestAccess::Files(ed.app()).state.CurrentFile = U(kDocFile);
  AppTestAccess::Files(ed.app()).state.file.stamp = StampAfterWrite(ed.files, U(kDocFile), *ed.files.Bytes(U(kDocFile)));
}

TEST(Parser, WriteAndQuitLines) {
  for (const WriteCase& c : kWriteCases) {
    SCOPED_TRACE(std::string("line \"") + std::string(c.line) + "\" file " + (c.hasFile ? "yes" : "no"));
    ScriptEditor ed;
    ed.files.AddFile(U(kDocFile), "old", c.readOnly ? 0444 : 0644);
    ed.files.AddFile(U(kOther), "other", c.readOnly ? 0444 : 0644);
    ed.Load("hel|lo");
    if (c.hasFile) AdoptFile(ed);
    AppTestAccess::Files(ed.app()).state.TextChanged = c.changed;
    if (c.saveDialogs > 0)
      ed.editor().dialogs.QueueFile(c.dialogAnswer.empty() ? std::nullopt : std::optional<String>(U(c.dialogAnswer)));

    ed.Command(c.line);

    EXPECT_EQ(ed.Message(), c.message);
    EXPECT_EQ(ed.app().Closed(), c.closed);
    EXPECT_EQ(ed.editor().window.CloseCount(), c.closed ? 1 : 0);
    EXPECT_EQ(static_cast<int>(ed.editor().dialogs.StartFolders().size()), c.saveDialogs);
    EXPECT_EQ(ed.CmdText(), "");
    EXPECT_FALSE(ed.InCommandBox());
    EXPECT_EQ(ed.Doc(), "hel|lo");
    const bool wrote = !c.written.empty();
    if (wrote) {
      EXPECT_EQ(ed.files.Bytes(U(c.written)).value_or("(none)"), "hello");
    }
    EXPECT_EQ(ed.files.Bytes(U(kDocFile)), wrote && c.written == kDocFile ? "hello" : "old");
    EXPECT_EQ(ed.files.Bytes(U(kOther)), wrote && c.written == kOther ? "hello" : "other");
    EXPECT_EQ(ed.app().Files().TextChanged(), wrote ? false : c.changed);
  }
}

TEST(Parser, EmptyLineIsInvalid) {
  ScriptEditor ed;
  AppTestAccess::CommandBox(ed.app()).SetText(u"leftover");
  ParseCommand(AppTestAccess::Commands(ed.app()), u"");
  EXPECT_EQ(ed.Message(), "Invalid command");
  EXPECT_EQ(ed.CmdText(), "");
}

// The box is empty while the command runs, not only afterwards.
TEST(Parser, EmptiesTheBoxFirst) {
  ScriptEditor ed;
  AppTestAccess::CommandBox(ed.app()).SetText(u":q");
  AppTestAccess::Files(ed.app()).state.TextChanged = true;
  ParseCommand(AppTestAccess::Commands(ed.app()), u":q");
  EXPECT_EQ(ed.CmdText(), "");
  AppTestAccess::CommandBox(ed.app()).SetText(u":w");
  ed.editor().dialogs.QueueFile(std::nullopt);
  ParseCommand(AppTestAccess::Commands(ed.app()), u":w");
  EXPECT_EQ(ed.CmdText(), "");
}

TEST(Parser, SearchLineSetsLastPattern) {
  ScriptEditor ed;
  ed.Load("|one two one");
  ed.Command("/one");
  EXPECT_EQ(S(ed.app().Search().LastPattern()), "one");
  EXPECT_EQ(ed.Doc(), "^one| two one");
  ed.Command("/:w x");  // a search line that looks like a command is still a search
  EXPECT_EQ(S(ed.app().Search().LastPattern()), ":w x");
  EXPECT_EQ(ed.Message(), "Pattern not found: :w x");
  ed.Command("/");
  EXPECT_EQ(S(ed.app().Search().LastPattern()), "");
}

TEST(Parser, SearchCaseFollowsFindCase) {
  ScriptEditor ed;
  ed.Load("|abc");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, true);
  ed.Command("/ABC");
  EXPECT_EQ(ed.Message(), "Pattern not found: ABC");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, false);
  ed.Command("/ABC");
  EXPECT_EQ(ed.Doc(), "^abc|");
}

// Lines that begin with ":" and a digit: a substitution only with all three slashes, the
// rest go to GotoLine, which judges them itself.
TEST(Parser, SubstitutionOrGotoLine) {
  const struct {
    std::string_view line;
    std::string_view doc;
    std::string_view message;
  } cases[] = {
      {":1,3s/a/b/", "|a\nb\nb\nb\na", "3 Replacments"},
      {":1,3s/a/b/c/", "|a\nb\nb\nb\na", "3 Replacments"},
      {":1,3s/a/b", "|a\na\na\na\na", "Invalid command"},
      {":1,3", "a\n|a\na\na\na", ""},
      {":4", "a\na\na\na\n|a", ""},
      {":0", "|a\na\na\na\na", ""},
      {":1x", "|a\na\na\na\na", "Invalid command"},
      {":1,3s//b/", "|a\na\na\na\na", "0 Replacments"},
      {":1,3sx/a/b/", "|a\na\na\na\na", "Invalid command"},  // no "s/": to GotoLine
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line));
    ScriptEditor ed;
    ed.Load("|a\na\na\na\na");
    ed.Command(c.line);
    if (c.message.find("Replacments") != std::string_view::npos) {
      EXPECT_EQ(ed.doc().Text(), ParseMarked(c.doc).text);
    } else {
      EXPECT_EQ(ed.Doc(), c.doc);
    }
    EXPECT_EQ(ed.Message(), c.message);
  }
}

// A write that fails in the file system names the file and the reason, and changes nothing.
TEST(Parser, FailedWriteIsReportedNotClaimed) {
  for (std::string_view line : {":w", ":wq", ":w!q"}) {
    SCOPED_TRACE(std::string(line));
    ScriptEditor ed;
    ed.files.AddFile(U(kDocFile), "old");
    ed.Load("hel|lo");
    AdoptFile(ed);
    AppTestAccess::Files(ed.app()).state.TextChanged = true;
    ed.faults.Fail(headless::FsCall::WriteAll, "No space left on device");
    ed.Command(line);
    EXPECT_EQ(ed.Message(), "Can't write /home/user/doc.txt: No space left on device");
    EXPECT_FALSE(ed.app().Closed());
    EXPECT_TRUE(ed.app().Files().TextChanged());
    EXPECT_EQ(ed.files.Bytes(U(kDocFile)), "old");
    EXPECT_EQ(ed.Doc(), "hel|lo");
  }
}

TEST(Parser, FailedCreateOfANamedFile) {
  ScriptEditor ed;
  ed.files.AddFolder(u"/locked", false);
  ed.Load("hello");
  AppTestAccess::Files(ed.app()).state.TextChanged = true;
  ed.Command(":wq /locked/x.txt");
  EXPECT_NE(ed.Message().find("/locked/x.txt"), std::string::npos) << ed.Message();
  EXPECT_NE(ed.Message(), "Written");
  EXPECT_FALSE(ed.app().Closed());
  EXPECT_TRUE(ed.app().Files().TextChanged());
}

}  // namespace
}  // namespace quilmar::testing
