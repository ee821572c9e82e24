// quilmar-batch as a whole program: runs of the built binary, their JSON and exit status.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_process.hh"

namespace {

namespace fs = std::filesystem;
using quilmar::testing::TempFolder;

struct BatchResult : quilmar::testing::BatchProcess {
  QJsonObject json;
};

BatchResult RunBatch(const std::vector<std::string>& args, const std::string& tempDir = "") {
  BatchResult run{quilmar::testing::RunBatchProgram(args, "", tempDir), {}};
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
  TempFolder dir;
  dir.Write("keys.txt", "<CR>\nworld<Esc>\n");
  dir.Write("my notes.txt", "one\ntwo\n");
  dir.Sized("big.txt", 10000001);
  const std::string big = dir.Path("big.txt");

  const BatchResult fresh = RunBatch({});
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_EQ(fresh.out.back(), '\n');
  EXPECT_TRUE(fresh.json["commandMode"].toBool());
  EXPECT_EQ(Panels(fresh.json), (std::vector<std::string>{"", "Command", "", "", ""}));

  const BatchResult scripts = RunBatch({"--keys", "ihello", "--keys-file", dir.Path("keys.txt"), "--keys", "0"});
  EXPECT_EQ(scripts.json["text"].toString(), "hello\r\nworld");
  EXPECT_EQ(Panels(scripts.json)[3], "Ln# 1 : Char# 0 ");

  const BatchResult narrow = RunBatch({"--cols", "10", "--keys", "i" + std::string(60, 'x') + "<Esc>"});
  EXPECT_EQ(narrow.json["lineCount"].toInt(), 6);

  const BatchResult declined = RunBatch({"--answer", "no", big});
  EXPECT_EQ(declined.json["messageBoxes"].toArray().size(), 1);
  EXPECT_EQ(declined.json["currentFile"].toString(), "");

  const BatchResult opened = RunBatch({"--dialog", "cancel", "--dialog", dir.Path("my notes.txt"), "--clipboard", "<c>",
                                       "--keys", "<menu:mnuOpen><C-o><MiddleUp>"});
  EXPECT_EQ(opened.json["text"].toString(), "<c>one\r\ntwo\r\n");

  const BatchResult words = RunBatch({"--", dir.Path("my"), "notes.txt"});
  EXPECT_EQ(words.json["currentFile"].toString().toStdString(), dir.Path("my notes.txt"));
  EXPECT_EQ(words.json["caption"].toString(), "Quilmar - my notes.txt");
}

TEST(BatchRun, WritingAndQuittingUseTheHomeFolder) {
  TempFolder home;

  const BatchResult run = RunBatch({"--home", home.Path(), "--keys",
                                    "iabc<Esc>:w " + home.Path("a b.txt") + "<CR>:q<CR>ixyz"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(home.Read("a b.txt"), "abc");
  EXPECT_TRUE(run.json["closed"].toBool());
  EXPECT_EQ(run.json["text"].toString(), "abc");  // keys after the close went nowhere
  EXPECT_NE(home.Read("quilmar.ini").find("CmdStart=True\r\n"), std::string::npos);
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
      TempFolder home;
      const std::string file = home.Path("doc.txt");
      home.Write("doc.txt", "old");
      std::vector<std::string> args = {"--home", home.Path()};
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
      EXPECT_EQ(home.Read("doc.txt"), "old");
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

TEST(BatchRun, TheDefaultHomeIsANewFolderRemovedAtExit) {
  // Two runs that each write settings: neither sees the other's, and nothing is left behind.
  TempFolder temp;
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
                           Refusal{{"--keys", "i<Foo>"}, "<Foo>"},
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
  // Each run in a home of its own: a run that leaves unsaved work leaves its recovery record
  // in its home, for the next run there to offer back.
  TempFolder home, qtHome;
  for (const TempFolder* h : {&home, &qtHome}) h->Write("quilmar_help.txt", "line one\nline two\n");
  const std::string keys = "ione two<Esc>0x:3<CR><menu:mnuHelpReference>";
  const BatchResult headless = RunBatch({"--home", home.Path(), "--keys", keys});
  const BatchResult qt = RunBatch({"--qt", "--home", qtHome.Path(), "--keys", keys});
  ASSERT_EQ(qt.status, 0) << qt.err;
  EXPECT_EQ(headless.json["helpText"].toString(), "line one\r\nline two\r\n");
  EXPECT_EQ(qt.json, headless.json);
}

// A window too big for any memory (a script may ask for any size) paints nothing and goes on.
// Qt asks for its picture's memory and copes when malloc fails; under AddressSanitizer so big
// a request aborts instead, unless told to fail as malloc does.
TEST(BatchRun, QtModeGoesOnInAWindowTooBigToPaint) {
  const char* before = std::getenv("ASAN_OPTIONS");
  const std::string saved = before ? before : "";
  setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "allocator_may_return_null=1").c_str(), 1);
  const BatchResult qt = RunBatch({"--qt", "--keys", "<resize:2147483647,2147483647>ione<Esc>:w"});
  if (before) setenv("ASAN_OPTIONS", saved.c_str(), 1);
  else unsetenv("ASAN_OPTIONS");
  ASSERT_EQ(qt.status, 0) << qt.err;
  EXPECT_EQ(qt.json["text"].toString(), "one");
  EXPECT_EQ(qt.json["cmdText"].toString(), ":w");
}

}  // namespace
