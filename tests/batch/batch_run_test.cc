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

// Each option reaches the run: a fresh start, scripts in order from --keys and --keys-file,
// --cols, --answer, --dialog, --clipboard and the file words as one path.
TEST(BatchRun, OptionsShapeTheRun) {
  Folder dir;
  WriteFile(dir / "keys.txt", "<CR>\nworld<Esc>\n");
  WriteFile(dir / "my notes.txt", "one\ntwo\n");
  const std::string big = dir / "big.txt";
  { std::ofstream(big, std::ios::binary); }
  fs::resize_file(big, 10000001);

  const BatchResult fresh = RunBatch({});
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_EQ(fresh.out.back(), '\n');
  EXPECT_TRUE(fresh.json["commandMode"].toBool());
  EXPECT_EQ(Panels(fresh.json), (std::vector<std::string>{"", "Command", "", "", ""}));

  const BatchResult scripts = RunBatch({"--keys", "ihello", "--keys-file", dir / "keys.txt", "--keys", "0"});
  EXPECT_EQ(scripts.json["text"].toString(), "hello\r\nworld");
  EXPECT_EQ(Panels(scripts.json)[3], "Ln# 1 : Char# 0 ");

  const BatchResult narrow = RunBatch({"--cols", "10", "--keys", "i" + std::string(60, 'x') + "<Esc>"});
  EXPECT_EQ(narrow.json["lineCount"].toInt(), 6);

  const BatchResult declined = RunBatch({"--answer", "no", big});
  EXPECT_EQ(declined.json["messageBoxes"].toArray().size(), 1);
  EXPECT_EQ(declined.json["currentFile"].toString(), "");

  const BatchResult opened = RunBatch({"--dialog", "cancel", "--dialog", dir / "my notes.txt", "--clipboard", "<c>",
                                       "--keys", "<menu:mnuOpen><C-o><MiddleUp>"});
  EXPECT_EQ(opened.json["text"].toString(), "<c>one\r\ntwo\r\n");

  const BatchResult words = RunBatch({"--", dir / "my", "notes.txt"});
  EXPECT_EQ(words.json["currentFile"].toString().toStdString(), dir / "my notes.txt");
  EXPECT_EQ(words.json["caption"].toString(), "Quilmar - my notes.txt");
}

TEST(BatchRun, WritingAndQuittingUseTheHomeFolder) {
  Folder home;
  const std::string file = home / "a b.txt";
  const BatchResult run = RunBatch({"--home", home.Path().string(), "--keys",
                                    "iabc<Esc>:w " + file + "<CR>:q<CR>ixyz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(file), "abc");
  EXPECT_TRUE(run.json["closed"].toBool());
  EXPECT_EQ(run.json["text"].toString(), "abc");  // keys after the close went nowhere
  EXPECT_NE(ReadFile(home / "quilmar.ini").find("CmdStart=True\r\n"), std::string::npos);
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

// --qt loads the window module beside the program, which takes the editor from the program:
// the same script gives the same answer, Help text included.
TEST(BatchRun, QtModeGivesTheSameAnswer) {
  Folder home;
  WriteFile(home / "quilmar_help.txt", "line one\nline two\n");
  const std::vector<std::string> script = {"--home", home.Path().string(), "--keys",
                                           "ione two<Esc>0x:3<CR><menu:mnuHelpReference>"};
  const BatchResult headless = RunBatch(script);
  std::vector<std::string> qtArgs = script;
  qtArgs.insert(qtArgs.begin(), "--qt");
  const BatchResult qt = RunBatch(qtArgs);
  ASSERT_EQ(qt.status, 0) << qt.err;
  EXPECT_EQ(headless.json["helpText"].toString(), "line one\r\nline two\r\n");
  EXPECT_EQ(qt.json, headless.json);
}

}  // namespace
