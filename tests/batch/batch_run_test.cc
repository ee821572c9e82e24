// quilmar-batch as a whole program: runs of the built binary, their JSON and exit status.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "quilmar-batch-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct BatchResult {
  int status = -1;
  std::string out;
  std::string err;
  QJsonObject json;
};

// Runs the binary; its temporary files go to tempDir when one is given.
BatchResult RunBatch(const std::vector<std::string>& args, const std::string& tempDir = "") {
  Folder io;
  std::string command = tempDir.empty() ? "" : "TMPDIR=" + Quote(tempDir) + " ";
  command += Quote(std::string(QUILMAR_BIN_DIR) + "/quilmar-batch");
  for (const auto& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(io / "out") + " 2>" + Quote(io / "err") + " </dev/null";
  BatchResult run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(io / "out");
  run.err = ReadFile(io / "err");
  if (run.status == 0 && run.out.rfind("{", 0) == 0) {
    QJsonParseError error;
    run.json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out;
  }
  return run;
}

std::vector<std::string> Panels(const QJsonObject& json) {
  std::vector<std::string> out;
  for (const auto& panel : json["panels"].toArray()) out.push_back(panel.toString().toStdString());
  return out;
}

TEST(BatchRun, FreshStartPrintsTheInitialState) {
  const BatchResult run = RunBatch({});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.back(), '\n');
  const QJsonObject& j = run.json;
  EXPECT_EQ(j["text"].toString(), "");
  EXPECT_TRUE(j["commandMode"].toBool());
  EXPECT_TRUE(j["locked"].toBool());
  EXPECT_EQ(Panels(j).size(), 5u);
  EXPECT_EQ(Panels(j)[1], "Command");
  EXPECT_EQ(j["caption"].toString(), "Quilmar");
  EXPECT_TRUE(j["cmdStart"].toBool());
  EXPECT_TRUE(j["checks"].toObject()["mnuStCmdMode"].toBool());
  EXPECT_EQ(j["focus"].toString(), "txtMain");
  EXPECT_FALSE(j["closed"].toBool());
  EXPECT_EQ(j["lineCount"].toInt(), 1);
}

TEST(BatchRun, ScriptsRunInOrderThroughTheKeyHandlers) {
  Folder dir;
  WriteFile(dir / "keys.txt", "<CR>\nworld<Esc>\n");
  const BatchResult run = RunBatch({"--keys", "ihello", "--keys-file", dir / "keys.txt", "--keys", "0"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.json["text"].toString(), "hello\r\nworld");
  EXPECT_TRUE(run.json["commandMode"].toBool());
  EXPECT_TRUE(run.json["textChanged"].toBool());
  EXPECT_EQ(run.json["selStart"].toInt(), 7);  // "0": the start of the line
  EXPECT_EQ(Panels(run.json)[3], "Ln# 1 : Char# 0 ");
  EXPECT_EQ(run.json["lineCount"].toInt(), 2);
}

TEST(BatchRun, WritingAndQuittingUseTheHomeFolder) {
  Folder home;
  const std::string file = home / "a b.txt";
  const BatchResult run = RunBatch({"--home", home.Path().string(), "--keys",
                            "iabc<Esc>:w " + file + "<CR>:q<CR>ixyz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(file), "abc");
  EXPECT_EQ(run.json["currentFile"].toString().toStdString(), file);
  EXPECT_EQ(Panels(run.json)[0], "Written");
  EXPECT_TRUE(run.json["closed"].toBool());
  EXPECT_EQ(run.json["text"].toString(), "abc");  // keys after the close went nowhere
  EXPECT_NE(ReadFile(home / "quilmar.ini").find("CmdStart=True\r\n"), std::string::npos);
}

// A run that ends with unsaved changes leaves a record in its home; the next run on the file
// asks about it and reports the record and the answer, headless and through the window alike.
TEST(BatchRun, UnsavedWorkIsOfferedToTheNextRunWithTheSameHome) {
  struct Case {
    const char* answer;
    const char* text;
    const char* reported;
  };
  for (const bool qt : {false, true}) {
    for (const Case& c : {Case{"yes", "new old", "recovered"}, Case{"no", "old", "declined"}}) {
      SCOPED_TRACE(std::string(c.answer) + (qt ? " --qt" : ""));
      Folder home;
      const std::string file = home / "doc.txt";
      WriteFile(file, "old");
      std::vector<std::string> args = {"--home", home.Path().string()};
      if (qt) args.insert(args.begin(), "--qt");
      std::vector<std::string> first = args;
      first.insert(first.end(), {"--keys", "inew <Esc>", "--", file});
      const BatchResult lost = RunBatch(first);
      if (qt && lost.status == 2) GTEST_SKIP() << lost.err;
      ASSERT_EQ(lost.status, 0) << lost.err;
      EXPECT_TRUE(lost.json["recoveryRecords"].toArray().isEmpty());
      args.insert(args.end(), {"--answer", c.answer, "--", file});
      const BatchResult next = RunBatch(args);
      ASSERT_EQ(next.status, 0) << next.err;
      EXPECT_EQ(next.json["text"].toString().toStdString(), c.text);
      EXPECT_EQ(ReadFile(file), "old");
      const QJsonArray records = next.json["recoveryRecords"].toArray();
      ASSERT_EQ(records.size(), 1);
      const QJsonObject record = records[0].toObject();
      EXPECT_EQ(record["path"].toString().toStdString(), file);
      EXPECT_FALSE(record["time"].toString().isEmpty());
      EXPECT_FALSE(record["changedOnDisk"].toBool());
      EXPECT_EQ(record["answer"].toString().toStdString(), c.reported);
      ASSERT_EQ(next.json["messageBoxes"].toArray().size(), 1);
      EXPECT_NE(next.json["messageBoxes"].toArray()[0].toString().toStdString().find(file + " has unsaved changes from "),
                std::string::npos);
    }
  }
}

TEST(BatchRun, SettingsInTheHomeFolderAreRead) {
  Folder home;
  WriteFile(home / "quilmar.ini", "CmdStart=False\r\nTabSpaces=4\r\nFindCase=False\r\n");
  const BatchResult run = RunBatch({"--home", home.Path().string(), "--keys", "typed"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.json["text"].toString(), "typed");
  EXPECT_FALSE(run.json["commandMode"].toBool());
  EXPECT_EQ(Panels(run.json)[1], "Insert");
  EXPECT_EQ(run.json["tabSpaces"].toInt(), 4);
  EXPECT_FALSE(run.json["checks"].toObject()["mnuFindCase"].toBool());
}

TEST(BatchRun, TheHelpWindowShowsTheHomeFoldersHelpText) {
  Folder home;
  WriteFile(home / "quilmar_help.txt", "line one\nline two\n");
  for (const char* mode : {"", "--qt"}) {
    std::vector<std::string> args = {"--home", home.Path().string()};
    if (*mode) args.push_back(mode);
    const BatchResult closed = RunBatch(args);
    ASSERT_EQ(closed.status, 0) << closed.err;
    EXPECT_TRUE(closed.json["helpText"].isNull()) << mode;
    args.insert(args.end(), {"--keys", "<menu:mnuHelpReference>"});
    const BatchResult open = RunBatch(args);
    ASSERT_EQ(open.status, 0) << open.err;
    EXPECT_EQ(open.json["helpText"].toString(), "line one\r\nline two\r\n") << mode;
  }
}

// The program restarts itself once to tune malloc for big blocks when it is to read a big
// file; whatever the environment already chose, the run and its answer are the same.
TEST(BatchRun, StartUpTuningKeepsArgumentsAndTheUsersOwnSettings) {
  Folder dir;
  std::string lines;
  for (int i = 0; i < 40000; ++i) lines += "0123456789 0123456789 0123456789\n";  // 1.3 MB
  WriteFile(dir / "big file.txt", lines);
  for (const char* tunables : {"", "glibc.malloc.check=0", "glibc.malloc.hugetlb=0"}) {
    SCOPED_TRACE(tunables);
    setenv("GLIBC_TUNABLES", tunables, 1);
    const BatchResult small = RunBatch({"--keys", "ia b<Esc>", "--cols", "40"});
    const BatchResult big = RunBatch({"--omit-text", "--keys", "ia b<Esc>", "--", dir / "big", "file.txt"});
    unsetenv("GLIBC_TUNABLES");
    ASSERT_EQ(small.status, 0) << small.err;
    EXPECT_EQ(small.json["text"].toString(), "a b");
    ASSERT_EQ(big.status, 0) << big.err;
    EXPECT_EQ(big.json["selStart"].toInt(), 3);
    EXPECT_EQ(big.json["lineCount"].toInt(), 40001);
    EXPECT_TRUE(big.json["textChanged"].toBool());
  }
}

TEST(BatchRun, TheDefaultHomeIsANewFolderRemovedAtExit) {
  // Two runs that each write settings: neither sees the other's, and nothing is left behind.
  Folder temp;
  const BatchResult first = RunBatch({"--keys", "<menu:mnuStCmdMode><close>"}, temp.Path());
  const BatchResult second = RunBatch({}, temp.Path());
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_FALSE(first.json["cmdStart"].toBool());
  EXPECT_TRUE(second.json["cmdStart"].toBool());
  EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(BatchRun, FileWordsAreOnePathJoinedBySpaces) {
  Folder dir;
  WriteFile(dir / "my notes.txt", "one\ntwo\n");
  const BatchResult run = RunBatch({"--", dir / "my", "notes.txt"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.json["text"].toString(), "one\r\ntwo\r\n");
  EXPECT_EQ(run.json["currentFile"].toString().toStdString(), dir / "my notes.txt");
  EXPECT_EQ(run.json["caption"].toString(), "Quilmar - my notes.txt");
  EXPECT_FALSE(run.json["textChanged"].toBool());
  EXPECT_EQ(run.json["lineCount"].toInt(), 3);
}

TEST(BatchRun, MissingFileIsReportedInAMessageBox) {
  Folder dir;
  const BatchResult run = RunBatch({dir / "none.txt"});
  ASSERT_EQ(run.status, 0) << run.err;
  const QJsonArray boxes = run.json["messageBoxes"].toArray();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_EQ(boxes[0].toString().toStdString(), "Err: " + (dir / "none.txt") + " couldn't be opened");
}

TEST(BatchRun, AnswersFeedTheSizeQuestion) {
  Folder dir;
  const std::string big = dir / "big.txt";
  { std::ofstream(big, std::ios::binary); }
  fs::resize_file(big, 10000001);
  const BatchResult no = RunBatch({"--answer", "no", big});
  ASSERT_EQ(no.status, 0) << no.err;
  EXPECT_EQ(no.json["messageBoxes"].toArray().size(), 1);
  EXPECT_EQ(no.json["text"].toString(), "");
  const BatchResult yes = RunBatch({"--omit-text", big});
  ASSERT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(yes.json["messageBoxes"].toArray().size(), 1);
  EXPECT_FALSE(yes.json.contains("text"));
  EXPECT_EQ(yes.json["currentFile"].toString().toStdString(), big);
}

TEST(BatchRun, DialogAnswersFeedTheFileMenu) {
  Folder dir;
  WriteFile(dir / "a.txt", "from the dialog");
  const BatchResult cancelled = RunBatch({"--dialog", "cancel", "--dialog", dir / "a.txt", "--keys",
                                  "<menu:mnuOpen>"});
  ASSERT_EQ(cancelled.status, 0) << cancelled.err;
  EXPECT_EQ(cancelled.json["text"].toString(), "");
  const BatchResult opened = RunBatch({"--dialog", "cancel", "--dialog", dir / "a.txt", "--keys",
                               "<menu:mnuOpen><C-o>"});
  ASSERT_EQ(opened.status, 0) << opened.err;
  EXPECT_EQ(opened.json["text"].toString(), "from the dialog");
}

TEST(BatchRun, MouseAndSelectionEventsUseTheClipboard) {
  const BatchResult run = RunBatch({"--clipboard", "<pasted>", "--keys",
                            "iabcdef<Esc><sel:1,2><LeftUp><sel:5,0><RightUp>"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.json["clipboard"].toString(), "bc");
  EXPECT_EQ(run.json["text"].toString(), "abcdebcf");
  const BatchResult pasted = RunBatch({"--clipboard", "<pasted>", "--keys", "<MiddleUp>"});
  ASSERT_EQ(pasted.status, 0) << pasted.err;
  EXPECT_EQ(pasted.json["text"].toString(), "<pasted>");
}

TEST(BatchRun, ColumnsMenusAndResizeChangeTheLayout) {
  const std::string sixty(60, 'x');
  const BatchResult narrow = RunBatch({"--cols", "10", "--keys", "i" + sixty + "<Esc>"});
  ASSERT_EQ(narrow.status, 0) << narrow.err;
  EXPECT_EQ(narrow.json["lineCount"].toInt(), 6);
  const BatchResult unwrapped = RunBatch({"--cols", "10", "--keys", "i" + sixty + "<Esc><menu:mnuWordWrap>"});
  ASSERT_EQ(unwrapped.status, 0) << unwrapped.err;
  EXPECT_EQ(unwrapped.json["lineCount"].toInt(), 1);
  EXPECT_FALSE(unwrapped.json["checks"].toObject()["mnuWordWrap"].toBool());
  // The smallest window is 3000 twips across: 25 cells.
  const BatchResult resized = RunBatch({"--keys", "i" + sixty + "<Esc><resize:100,100>"});
  ASSERT_EQ(resized.status, 0) << resized.err;
  EXPECT_EQ(resized.json["lineCount"].toInt(), 3);
}

TEST(BatchRun, TextIsEscapedAsJson) {
  Folder dir;
  const std::string content = "q\"b\\s\ttab \xc3\xa9\xf0\x9f\x98\x80 \x01";
  WriteFile(dir / "odd.txt", content);
  const BatchResult run = RunBatch({dir / "odd.txt"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.json["text"].toString().toStdString(), content);
}

struct Refusal {
  std::vector<std::string> args;
  const char* mention;
};

TEST(BatchRun, BadOptionsAndScriptsExitWithTwoAndOneLine) {
  for (const Refusal& r : {Refusal{{"--frobnicate"}, "--frobnicate"},
                           Refusal{{"--cols", "zero"}, "--cols"},
                           Refusal{{"--keys"}, "needs a value"},
                           Refusal{{"--keys", "i<Foo>"}, "<Foo>"},
                           Refusal{{"--keys", "ok", "--keys", "<sel:1>"}, "sel:"},
                           Refusal{{"--keys-file", "/nonexistent/keys"}, "/nonexistent/keys"},
                           Refusal{{"--home", "/nonexistent/home"}, "/nonexistent/home"}}) {
    const BatchResult run = RunBatch(r.args);
    EXPECT_EQ(run.status, 2) << r.args[0];
    EXPECT_EQ(run.out, "") << r.args[0];
    EXPECT_NE(run.err.find(r.mention), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
}

TEST(BatchRun, HelpDescribesTheOptions) {
  const BatchResult run = RunBatch({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--keys"), std::string::npos);
}

// The window driver either runs the script with the same answer or is refused clearly.
TEST(BatchRun, QtModeGivesTheSameAnswerOrIsRefused) {
  const std::vector<std::string> script = {"--keys", "ione two<Esc>0x:3<CR>"};
  const BatchResult headless = RunBatch(script);
  std::vector<std::string> qtArgs = script;
  qtArgs.insert(qtArgs.begin(), "--qt");
  const BatchResult qt = RunBatch(qtArgs);
  if (qt.status == 2) {
    EXPECT_NE(qt.err.find("--qt"), std::string::npos) << qt.err;
    return;
  }
  ASSERT_EQ(qt.status, 0) << qt.err;
  EXPECT_EQ(qt.json, headless.json);
}

}  // namespace
