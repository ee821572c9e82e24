// The settings file: the round trip, each line's conversion, stopping at the first failure,
// and where the file lives.
#include "editor_fixture.hh"
#include "app_test_access.hh"
#include "files/settings.hh"
#include "memory_file_system.hh"

namespace quilmar {
namespace {

using headless::FsCall;

class SettingsTest : public testing::EditorTest {};

TEST_F(SettingsTest, WhatIsWrittenAtExitIsReadBackAtTheNextStart) {
  Start();
  app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  app().Dispatch(MenuClickEvent{MenuItem::mnuFindCase});
  app().Dispatch(MenuClickEvent{MenuItem::mnuStCmdMode});
  AppTestAccess::Options(app()).SetTabSpaces(4);
  editor->dialogs.QueueFont(FontSpec{u"Courier New", true, false, 9.75});
  app().Dispatch(MenuClickEvent{MenuItem::mnuFonts});
  app().Dispatch(CloseEvent{});
  EXPECT_EQ(home.Read("quilmar.ini"), "StartIn=" + ToUtf8(real.CurrentDirectory()) +
                                          "\r\nCmdStart=False\r\nFont=Courier New,True,False,9.75\r\n"
                                          "TabSpaces=4\r\nWordWrap=False\r\nFindCase=False\r\nReplaceCase=True\r\n");

  Start();
  EXPECT_FALSE(app().Checked(MenuItem::mnuWordWrap));
  EXPECT_EQ(app().Document().RightMargin(), 10000);
  EXPECT_FALSE(app().Checked(MenuItem::mnuFindCase));
  EXPECT_TRUE(app().Checked(MenuItem::mnuReplaceCase));
  EXPECT_FALSE(app().Options().CmdStart());
  EXPECT_FALSE(app().Mode().CommandMode()) << "starts in Insert mode";
  EXPECT_EQ(app().Options().TabSpaces(), 4);
  EXPECT_EQ(app().Options().DialogFont(), (FontSpec{u"Courier New", true, false, 9.75}));
  EXPECT_EQ(app().Document().Font(), (FontSpec{u"Courier New", true, false, 9.75}));
  EXPECT_EQ(app().Files().CommonDialog().InitDir, real.CurrentDirectory());
}

// Each file, read at start-up, and what it leaves. Reading stops at the first value that
// fails its conversion, keeping what came before.
TEST_F(SettingsTest, LinesAreConvertedAsTheirKeysSay) {
  const FontSpec startFont;
  const struct {
    const char* file;
    bool wordWrap, findCase, replaceCase, cmdStart;
    int tabSpaces;
    FontSpec dialogFont, documentFont;
  } cases[] = {
      {"WordWrap=true\r\nFindCase=true\r\n", false, true, true, true, 0, startFont, startFont},
      {"FindCase=FALSE\r\nReplaceCase=0\r\nCmdStart=TRUE", true, false, false, false, 0, startFont, startFont},
      {"FindCase=-1.5\r\nReplaceCase=0.0\r\n", true, true, false, true, 0, startFont, startFont},
      {"FindCase=False\r\nReplaceCase=yes\r\nWordWrap=False\r\n", true, false, true, true, 0, startFont, startFont},
      {"TabSpaces=12\r\nTabSpaces=\r\n", true, true, true, true, 0, startFont, startFont},
      {"TabSpaces=7\r\nTabSpaces=0\r\n", true, true, true, true, 0, startFont, startFont},
      {"TabSpaces=3\nFindCase=False\nFindCase=True\rCmdStart=False", true, true, true, false, 3, startFont, startFont},
      {"findcase=False\r\n FindCase=False\r\nFindCase =False\r\n\r\nOther=1\r\nFont=A,B\r\n", true, true, true, true, 0,
       startFont, startFont},
      {"Font=Serif,1,false,12\r\n", true, true, true, true, 0, {u"Serif", true, false, 12}, {u"Serif", true, false, 12}},
      {"Font=Sans,false,true,9,75\r\n", true, true, true, true, 0, {u"Sans", false, true, 9}, {u"Sans", false, true, 9}},
      {"Font=Sans,Serif,False,False,10\r\nTabSpaces=5\r\n", true, true, true, true, 0, {u"Sans", false, false, 10}, startFont},
      {"Font=Mono,True,False,big\r\n", true, true, true, true, 0, {u"Mono", true, false, 10}, startFont},
      {"Font=Mono,True,False,0\r\n", true, true, true, true, 0, {u"Mono", true, false, 10}, startFont},
      {"StartIn=/x=y\r\nWordWrap=False\r\n", false, true, true, true, 0, startFont, startFont},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    home.Write("quilmar.ini", c.file);
    Start();
    EXPECT_EQ(app().Checked(MenuItem::mnuWordWrap), c.wordWrap);
    EXPECT_EQ(app().Document().RightMargin(), c.wordWrap ? 0 : 10000);
    EXPECT_EQ(app().Checked(MenuItem::mnuFindCase), c.findCase);
    EXPECT_EQ(app().Checked(MenuItem::mnuReplaceCase), c.replaceCase);
    EXPECT_EQ(app().Options().CmdStart(), c.cmdStart);
    EXPECT_EQ(app().Options().TabSpaces(), c.tabSpaces);
    EXPECT_EQ(app().Options().DialogFont(), c.dialogFont);
    EXPECT_EQ(app().Document().Font(), c.documentFont);
  }
  EXPECT_EQ(app().Files().CommonDialog().InitDir, u"/x=y") << "the value is everything after the first \"=\"";
}

TEST_F(SettingsTest, ConversionsAndTheShortestNumberForm) {
  EXPECT_EQ(ToBoolean(u"tRuE"), true);
  EXPECT_EQ(ToBoolean(u"+2"), true);
  EXPECT_EQ(ToBoolean(u".0"), false);
  EXPECT_EQ(ToBoolean(u""), std::nullopt);
  EXPECT_EQ(ToBoolean(u" True"), std::nullopt);
  EXPECT_EQ(ToNumber(u"9.75"), 9.75);
  EXPECT_EQ(ToNumber(u"-3"), -3);
  EXPECT_EQ(ToNumber(u"1e3"), std::nullopt);
  EXPECT_EQ(ToNumber(u"."), std::nullopt);
  EXPECT_EQ(ToNumber(u"1.2.3"), std::nullopt);
  EXPECT_EQ(ShortestNumber(10), u"10");
  EXPECT_EQ(ShortestNumber(9.75), u"9.75");
  EXPECT_EQ(ShortestNumber(10.1), u"10.1");
  EXPECT_EQ(ShortestNumber(1e-7), u"0.0000001") << "no exponent: the reader would refuse it";
  EXPECT_EQ(ToNumber(ShortestNumber(1e21)), 1e21);
}

TEST_F(SettingsTest, UnreadableOrUnwritableSettingsAreQuiet) {
  home.Write("quilmar.ini", "FindCase=False\r\n");
  fs.Fail(FsCall::ReadAll, "Permission denied");
  fs.Fail(FsCall::WriteAll, "Read-only file system");
  Start();
  EXPECT_TRUE(app().Checked(MenuItem::mnuFindCase));
  app().Dispatch(CloseEvent{});
  EXPECT_EQ(home.Read("quilmar.ini"), "FindCase=False\r\n");
  EXPECT_TRUE(editor->window.Closed());
  EXPECT_TRUE(editor->messageBox.Shown().empty());
}

// A program folder that cannot hold the file sends both reading and writing to the user's
// configuration folder; an existing file in the program folder is still used.
TEST(SettingsLocation, FallsBackToTheConfigurationFolder) {
  headless::MemoryFileSystem memory(u"/opt/quilmar", u"/home/user", u"/home/user/.config/quilmar");
  memory.AddFolder(u"/opt/quilmar", false);
  memory.AddFolder(u"/home/user/.config/quilmar", true);
  EXPECT_EQ(SettingsPath(memory), u"/home/user/.config/quilmar/quilmar.ini");
  memory.AddFile(u"/opt/quilmar/quilmar.ini", "");
  EXPECT_EQ(SettingsPath(memory), u"/opt/quilmar/quilmar.ini");

  headless::MemoryFileSystem writable(u"/opt/quilmar");
  writable.AddFolder(u"/opt/quilmar", true);
  EXPECT_EQ(SettingsPath(writable), u"/opt/quilmar/quilmar.ini");

  memory.Remove(u"/opt/quilmar/quilmar.ini");
  memory.AddFile(u"/home/user/.config/quilmar/quilmar.ini", "CmdStart=False\r\n");
  headless::HeadlessEditor editor(memory);
  editor.app.Dispatch(StartEvent{{}});
  EXPECT_FALSE(editor.app.Mode().CommandMode());
  editor.app.Dispatch(CloseEvent{});
  EXPECT_NE(memory.Bytes(u"/home/user/.config/quilmar/quilmar.ini")->find("CmdStart=False\r\n"), std::string::npos);
  EXPECT_FALSE(memory.Bytes(u"/opt/quilmar/quilmar.ini"));
}

}  // namespace
}  // namespace quilmar
