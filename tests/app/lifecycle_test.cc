// Start-up, shut-down, the modes and the Change handler, through the App's entry points.
#include <gtest/gtest.h>

#include "app_test_support.hh"
#include "app_test_access.hh"

namespace quilmar {
namespace {

using testing_support::Editor;

TEST(StartUp, WithoutSettingsOrArgumentStartsEmptyInCommandMode) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  EXPECT_EQ(e.Panel(panel::Mode), u"Command");
  EXPECT_TRUE(e.app().Mode().CommandMode());
  EXPECT_TRUE(e.app().Document().Locked());
  EXPECT_TRUE(e.ed.menus.Checked(MenuItem::mnuStCmdMode));
  EXPECT_TRUE(e.app().Options().CmdStart());
  EXPECT_EQ(e.app().Options().TabSpaces(), 0);
  EXPECT_EQ(e.app().Document().Text(), u"");
  EXPECT_EQ(e.app().Files().CurrentFile(), u"");
  EXPECT_FALSE(e.app().Files().TextChanged());
  EXPECT_TRUE(e.ed.messageBox.Shown().empty());
  EXPECT_EQ(e.ed.window.Caption(), u"Quilmar");
  EXPECT_EQ(e.ed.focus.Focused(), Control::txtMain);
  // The three Options items are checked before any settings are read, in the App and the menu.
  for (MenuItem item : {MenuItem::mnuWordWrap, MenuItem::mnuFindCase, MenuItem::mnuReplaceCase}) {
    EXPECT_TRUE(e.app().Checked(item));
    EXPECT_TRUE(e.ed.menus.Checked(item));
  }
  EXPECT_FALSE(e.ed.menus.Checked(MenuItem::mnuFonts));
}

TEST(StartUp, DialogsShowEveryFileAndReportCancel) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  EXPECT_TRUE(e.app().Files().CommonDialog().CancelError);
  // One filter that hides nothing: names without a dot must show too.
  EXPECT_EQ(e.app().Files().CommonDialog().Filter, u"All (*)");
}

struct SettingsCase {
  const char* file;
  bool commandMode;
  const char16_t* modePanel;
  int tabSpaces;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << '"' << c.file << '"'; }

class StartUpWithSettings : public testing::TestWithParam<SettingsCase> {};

TEST_P(StartUpWithSettings, ChoosesTheFirstModeFromCmdStart) {
  const SettingsCase& c = GetParam();
  Editor e;
  e.fs.AddFile(e.SettingsPath(), c.file);
  e.app().Dispatch(StartEvent{u""});
  EXPECT_EQ(e.app().Mode().CommandMode(), c.commandMode) << c.file;
  EXPECT_EQ(e.app().Document().Locked(), c.commandMode) << c.file;
  EXPECT_EQ(e.ed.menus.Checked(MenuItem::mnuStCmdMode), c.commandMode) << c.file;
  EXPECT_EQ(e.Panel(panel::Mode), c.modePanel) << c.file;
  EXPECT_EQ(e.app().Options().TabSpaces(), c.tabSpaces) << c.file;
}

INSTANTIATE_TEST_SUITE_P(Files, StartUpWithSettings, testing::Values(
    SettingsCase{"CmdStart=True\r\n", true, u"Command", 0},
    SettingsCase{"CmdStart=False\r\n", false, u"Insert", 0},
    SettingsCase{"CmdStart=true\r\n", false, u"Insert", 0},   // only the exact "True" counts
    SettingsCase{"TabSpaces=4\r\nCmdStart=False\r\n", false, u"Insert", 4},
    SettingsCase{"TabSpaces=12\r\n", true, u"Command", 0},
    SettingsCase{"", true, u"Command", 0}));

TEST(StartUp, ArgumentIsOnePathTakenWhole) {
  for (const char16_t* argument : {u"/home/user/my notes.txt", u"\"/home/user/a b.txt\"", u" x "}) {
    Editor e;
    e.app().Dispatch(StartEvent{argument});
    EXPECT_EQ(e.app().Files().CurrentFile(), argument);
    ASSERT_EQ(e.ed.messageBox.Shown().size(), 1u);
    EXPECT_EQ(e.ed.messageBox.Shown()[0], u"Err: " + String(argument) + u" couldn't be opened");
  }
}

TEST(StartUp, ArgumentNamingAFileLoadsItWithoutChange) {
  Editor e;
  e.fs.AddFile(u"/home/user/a.txt", "one\ntwo\n");
  e.app().Dispatch(StartEvent{u"/home/user/a.txt"});
  EXPECT_EQ(e.app().Document().Text(), u"one\r\ntwo\r\n");
  EXPECT_EQ(e.app().Files().CurrentFile(), u"/home/user/a.txt");
  EXPECT_FALSE(e.app().Files().TextChanged());
  EXPECT_TRUE(e.app().Mode().CommandMode());
}

TEST(Change, EveryEditSetsTextChanged) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetSelText(u"x");  // a program's assignment, while locked
  EXPECT_TRUE(e.app().Files().TextChanged());

  Editor typed;
  typed.fs.AddFile(typed.SettingsPath(), "CmdStart=False\r\n");
  typed.app().Dispatch(StartEvent{u""});
  EXPECT_FALSE(typed.app().Files().TextChanged());
  typed.ed.Type("a");
  EXPECT_TRUE(typed.app().Files().TextChanged());
}

TEST(ShutDown, ClosingWritesSettingsOnceAndEndsEvents) {
  Editor e;
  e.fs.AddFile(e.SettingsPath(), "CmdStart=False\r\n");
  e.app().Dispatch(StartEvent{u""});
  e.ed.Type("unsaved");
  e.app().Dispatch(CloseEvent{});
  EXPECT_TRUE(e.app().Closed());
  EXPECT_EQ(e.ed.window.CloseCount(), 1);
  const auto settings = e.fs.Bytes(e.SettingsPath());
  ASSERT_TRUE(settings);
  EXPECT_NE(settings->find("CmdStart=False\r\n"), std::string::npos) << *settings;

  // A second close is the same close; later events find no window.
  e.fs.Remove(e.SettingsPath());
  e.app().Dispatch(CloseEvent{});
  EXPECT_EQ(e.ed.window.CloseCount(), 1);
  EXPECT_FALSE(e.fs.Bytes(e.SettingsPath()));
  e.ed.Type("more");
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  EXPECT_EQ(e.app().Document().Text(), u"unsaved");
  EXPECT_TRUE(e.app().Checked(MenuItem::mnuWordWrap));
}

TEST(ShutDown, ExitMenuClosesTheWindow) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuExit});
  EXPECT_TRUE(e.ed.window.Closed());
  EXPECT_TRUE(e.fs.Bytes(e.SettingsPath()));
}

TEST(Keys, MenuShortcutsWinInEitherControl) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  e.ed.Key(79, shift::Ctrl);  // Ctrl+O: the open dialog, cancelled
  ASSERT_EQ(e.ed.dialogs.FileDialogsShown().size(), 1u);
  // Shown with the one filter, which hides no name, and a cancel that answers nothing.
  EXPECT_EQ(e.ed.dialogs.FileDialogsShown()[0].Filter, u"All (*)");
  EXPECT_TRUE(e.ed.dialogs.FileDialogsShown()[0].CancelError);
  e.ed.Type(":");
  e.ed.Key(79, shift::Ctrl);
  EXPECT_EQ(e.ed.dialogs.StartFolders().size(), 2u);
  EXPECT_EQ(e.app().CommandBox().Text(), u":");
}

TEST(Keys, CommittedTextGoesToTheFocusedControlAndNotToALockedDocument) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  e.app().Dispatch(CommitTextEvent{u"\u00e9t\u00e9"});
  EXPECT_EQ(e.app().Document().Text(), u"");
  e.ed.Type(":");
  e.app().Dispatch(CommitTextEvent{u"\u00e9"});
  EXPECT_EQ(e.app().CommandBox().Text(), u":\u00e9");
}

}  // namespace
}  // namespace quilmar
