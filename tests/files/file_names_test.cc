// File names that are not UTF-8, through every way a name reaches the editor: the command
// line, a name typed after ":w", the open and save dialogs, the settings file's start folder.
// Each reaches its own file, next to a decoy whose UTF-8 name shows the same, and shows its
// bytes as U+FFFD.
#include "editor_fixture.hh"

namespace quilmar {
namespace {

class FileNamesTest : public testing::EditorTest {
 protected:
  // A file whose name holds the bytes of `name`, and its decoy: the same name with every
  // byte that is not UTF-8 replaced by U+FFFD's UTF-8.
  String Pair(const std::string& name, const std::string& decoy) {
    docs.Write(name, "real\n");
    docs.Write(decoy, "decoy\n");
    return FromBytesEscaped(docs.Path(name));
  }
  void Edit() {
    app().Dispatch(KeyDownEvent{{key::A, shift::Shift, u"A"}});
    app().Dispatch(CommitTextEvent{u"!"});
    app().Dispatch(KeyDownEvent{{key::Escape, shift::None, {}}});
  }
  void Command(const std::string& line) {
    app().Dispatch(KeyDownEvent{{key::Semicolon, shift::Shift, u":"}});
    app().Dispatch(CommitTextEvent{FromUtf8(line.substr(1))});
    app().Dispatch(KeyDownEvent{{key::Return, shift::None, {}}});
  }
};

const struct {
  const char* name;
  const char* decoy;
} kNames[] = {{"caf\xE9.txt", "caf\xEF\xBF\xBD.txt"}, {"\xFF.txt", "\xEF\xBF\xBD.txt"}, {"\x80x.txt", "\xEF\xBF\xBDx.txt"}};

TEST_F(FileNamesTest, TheCommandLineOpensAndSavesTheFileItNames) {
  for (const auto& n : kNames) {
    SCOPED_TRACE(n.name);
    const String path = Pair(n.name, n.decoy);
    Start(path);
    EXPECT_EQ(app().Document().Text(), u"real\r\n");
    EXPECT_EQ(Panel(panel::File), FromUtf8(docs.Path(n.decoy))) << "shown with U+FFFD";
    EXPECT_EQ(Caption(), u"Quilmar - " + FromUtf8(n.decoy));
    Edit();
    Command(":w");
    EXPECT_EQ(Panel(panel::Message), u"Written");
    EXPECT_EQ(docs.Read(n.name), "real!\n");
    EXPECT_EQ(docs.Read(n.decoy), "decoy\n");
  }
}

TEST_F(FileNamesTest, ATypedNameIsUtf8Text) {
  const String path = Pair("caf\xE9.txt", "caf\xEF\xBF\xBD.txt");
  Start(path);
  Command(":w " + docs.Path("caf\xC3\xA9.txt"));
  EXPECT_EQ(Panel(panel::Message), u"Written");
  EXPECT_EQ(docs.Read("caf\xC3\xA9.txt"), "real\n");
  EXPECT_EQ(docs.Read("caf\xE9.txt"), "real\n");
  EXPECT_EQ(docs.Read("caf\xEF\xBF\xBD.txt"), "decoy\n");
}

// A dialog returns names as it shows them: with only one file showing so it is that file;
// with a decoy beside it the answer is refused, quietly as any failure of a dialog command.
TEST_F(FileNamesTest, ADialogsAnswerIsTheOneFileThatShowsSoOrNone) {
  for (const auto& n : kNames) {
    SCOPED_TRACE(n.name);
    const String path = Pair(n.name, n.decoy);
    const String shown = FromUtf8(docs.Path(n.decoy));
    Start();
    editor->dialogs.QueueFile(shown);
    app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
    EXPECT_EQ(app().Files().CurrentFile(), u"") << "ambiguous: nothing opened";
    EXPECT_EQ(app().Document().Text(), u"");
    editor->dialogs.QueueFile(shown);
    app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});
    EXPECT_EQ(docs.Read(n.name), "real\n");
    EXPECT_EQ(docs.Read(n.decoy), "decoy\n");

    std::filesystem::remove(docs.Path(n.decoy));
    editor->dialogs.QueueFile(shown);
    app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
    EXPECT_EQ(app().Files().CurrentFile(), path);
    EXPECT_EQ(app().Document().Text(), u"real\r\n");
    Edit();
    editor->dialogs.QueueFile(shown);
    app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});
    EXPECT_EQ(Panel(panel::Message), u"Written");
    EXPECT_EQ(docs.Read(n.name), "real!\n");
    EXPECT_FALSE(docs.Exists(n.decoy));
  }
}

// The start folder is written to the settings file with its own bytes and read back whole.
TEST_F(FileNamesTest, TheSettingsFileKeepsTheStartFoldersBytes) {
  std::filesystem::create_directory(docs.Path("d\xE9"));
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(docs.Path("d\xE9"));
  Start();
  app().Dispatch(CloseEvent{});
  std::filesystem::current_path(cwd);
  EXPECT_NE(home.Read("quilmar.ini").find("StartIn=" + docs.Path("d\xE9") + "\r\n"), std::string::npos);
  Start();
  EXPECT_EQ(app().Files().CommonDialog().InitDir, FromBytesEscaped(docs.Path("d\xE9")));
}

}  // namespace
}  // namespace quilmar
