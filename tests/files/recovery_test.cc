// The recovery record of unsaved work: written while there are changes, cleared when the loss
// is impossible or wanted, offered back at the next load, recovered or moved aside.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "../editor/script_editor.hh"
#include "editor_fixture.hh"
#include "files/recovery_record.hh"

namespace quilmar {
namespace {

namespace stdfs = std::filesystem;

constexpr std::int64_t kSecond = 1000000000;
constexpr std::int64_t kMorning = 1709285400 * kSecond;  // 2024-03-01 09:30 UTC
constexpr std::int64_t kDay = 24 * 3600 * kSecond;

class RecoveryTest : public testing::EditorTest {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    fs.SetNow(kMorning);
    docs.Write("a.txt", "one\ntwo\n");
  }
  String Doc() const { return docs.UPath("a.txt"); }

  // Keys in quilmar-batch's notation (<close> is the window's close box, <F9> File Close),
  // and <u:XXXX> for a character committed by an input method.
  void Keys(std::string_view script) {
    while (!script.empty()) {
      const std::size_t commit = script.find("<u:");
      Run(script.substr(0, commit));
      if (commit == std::string_view::npos) return;
      const std::size_t close = script.find('>', commit);
      const std::string code(script.substr(commit + 3, close - commit - 3));
      app().Dispatch(CommitTextEvent{String(1, static_cast<char16_t>(std::stoi(code, nullptr, 16)))});
      script.remove_prefix(close + 1);
    }
  }
  void Run(std::string_view script) {
    const batch::KeyScript parsed = batch::ParseKeyScript(script);
    ASSERT_FALSE(parsed.error) << *parsed.error;
    for (const batch::ScriptStep& step : parsed.steps) app().Dispatch(std::get<Event>(step));
  }
  // A run that ends without closing its window, as a killed editor does once the record is
  // on disk: the editor goes, its record writer finishing what it was handed.
  void EndRun() { editor.reset(); }
  int Records(const std::string& folder) const {
    std::error_code none;
    int n = 0;
    for (auto it = stdfs::directory_iterator(home.Path("state/" + folder), none); it != stdfs::directory_iterator(); ++it) ++n;
    return n;
  }
  String Question(const String& who, bool changed = false) const {
    return who + u" has unsaved changes from 2024-03-01 09:30. Recover them?" +
           (changed ? u" The file has changed on disk since then." : u"");
  }
};

// Two runs of the editor: the first edits and ends somehow, the second starts and answers.
TEST_F(RecoveryTest, ARecordLivesWhileChangesAreUnsavedAndIsOfferedAtTheNextLoad) {
  const struct {
    const char* name;
    bool firstWithFile;
    const char* firstRun;
    bool secondWithFile;
    std::optional<bool> answer;  // none: no question
    const char16_t* document;    // the second run's document
    const char* file;            // a.txt afterwards
    int live, declined;          // records on disk after the second run
  } cases[] = {
      {"typed, window closed, recovered", true, "Ahello<Esc><close>", true, true, u"onehello\r\ntwo\r\n", "one\ntwo\n", 1, 0},
      {"typed, window closed, declined", true, "Ahello<Esc><close>", true, false, u"one\r\ntwo\r\n", "one\ntwo\n", 0, 1},
      {"typed, killed", true, "Ahello<Esc>", true, true, u"onehello\r\ntwo\r\n", "one\ntwo\n", 1, 0},
      {"typed and written", true, "Ahello<Esc>:w<Enter><close>", true, std::nullopt, u"onehello\r\ntwo\r\n", "onehello\ntwo\n", 0, 0},
      {"typed and thrown away with :q!", true, "Ahello<Esc>:q!<Enter>", true, std::nullopt, u"one\r\ntwo\r\n", "one\ntwo\n", 0, 0},
      {"undone back to the file", true, "Ahello<C-z><Esc><close>", true, std::nullopt, u"one\r\ntwo\r\n", "one\ntwo\n", 0, 0},
      {"closed with File Close after changes", true, "Ahello<Esc><F9><close>", true, true, u"onehello\r\ntwo\r\n", "one\ntwo\n", 1, 0},
      {"closed with File Close without changes", true, "<F9><close>", false, std::nullopt, u"", "one\ntwo\n", 0, 0},
      {"a new document", false, "ihello<Esc><close>", false, true, u"hello", "one\ntwo\n", 1, 0},
      {"a new document, declined", false, "ihello<Esc><close>", false, false, u"", "one\ntwo\n", 0, 1},
      {"a new document is not offered for a file", false, "ihello<Esc><close>", true, std::nullopt, u"one\r\ntwo\r\n", "one\ntwo\n", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    stdfs::remove_all(home.Path("state"));
    docs.Write("a.txt", "one\ntwo\n");
    Start(c.firstWithFile ? Doc() : String());
    Keys(c.firstRun);
    EndRun();

    headless::EditorSetup setup;
    if (c.answer) setup.answers.push_back(*c.answer);
    Start(c.secondWithFile ? Doc() : String(), std::move(setup));
    const String who = c.firstWithFile ? Doc() : String(u"A new document");
    EXPECT_EQ(editor->messageBox.Shown(), c.answer ? std::vector<String>{Question(who)} : std::vector<String>{});
    EXPECT_EQ(app().Document().Text(), c.document);
    const bool recovered = c.answer.value_or(false);
    EXPECT_EQ(app().Files().TextChanged(), recovered);
    EXPECT_EQ(Panel(panel::Message), recovered ? u"Recovered" : u"");
    EXPECT_EQ(docs.Read("a.txt"), c.file);
    // A record that holds nothing the file lacks goes without a question, but is reported.
    const bool nothingLost = std::string_view(c.name) == "undone back to the file";
    ASSERT_EQ(app().Files().RecoveryOffers().size(), c.answer || nothingLost ? 1u : 0u);
    if (!app().Files().RecoveryOffers().empty()) {
      using enum RecoveryOffer::Answer;
      EXPECT_EQ(app().Files().RecoveryOffers()[0].answer, !c.answer ? NothingLost : *c.answer ? Recovered : Declined);
    }
    EndRun();
    EXPECT_EQ(Records("recovery"), c.live);
    EXPECT_EQ(Records("recovery-declined"), c.declined);
  }
}

// The record holds the bytes a write would have produced: the file's encoding and each line
// break's own form, also for edits logged after the snapshot and when the edits change which
// form the text uses most.
TEST_F(RecoveryTest, TheRecoveredDocumentWritesTheBytesTheLostOneWould) {
  const struct {
    const char* file;
    const char* keys;
    const char* written;
  } cases[] = {
      {"a\r\nb\nc\r\n", "Ax<Enter>y<Esc>", "ax\r\ny\r\nb\nc\r\n"},
      // "dd" leaves one break of each form: the snapshot reads back in LF, the break typed
      // after it is still the document's CRLF.
      {"1\r\n2\r\n3\n", "ddAz<Enter>w<Esc>", "2z\r\nw\r\n3\n"},
      {"caf\xe9\n", "A<u:e9><Esc>", "caf\xe9\xe9\n"},  // Latin-1 stays Latin-1
      {"x\ry\r", "Az<Esc>", "xz\ry\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    stdfs::remove_all(home.Path("state"));
    docs.Write("a.txt", c.file);
    Start(Doc());
    Keys(c.keys);
    const String lost = app().Document().Text();
    EndRun();
    Start(Doc());
    ASSERT_EQ(app().Document().Text(), lost);
    Keys(":w<Enter>");
    EXPECT_EQ(docs.Read("a.txt"), c.written);
  }
}

TEST_F(RecoveryTest, ARecoveredRecordStaysUntilTheNextWrite) {
  Start(Doc());
  Keys("Ahello<Esc><close>");
  Start(Doc());  // Yes
  Keys("<close>");
  Start(Doc());  // asked again, Yes
  EXPECT_EQ(editor->messageBox.Shown().size(), 1u);
  EXPECT_EQ(app().Document().Text(), u"onehello\r\ntwo\r\n");
  Keys(":w<Enter><close>");
  Start(Doc());
  EXPECT_TRUE(editor->messageBox.Shown().empty());
  EXPECT_EQ(Records("recovery"), 0);
}

TEST_F(RecoveryTest, TheQuestionSaysWhenTheFileChangedOnDiskSinceTheRecord) {
  Start(Doc());
  Keys("Ahello<Esc><close>");
  docs.Write("a.txt", "one\ntwo\nthree\n");  // another program
  headless::EditorSetup no;
  no.answers.push_back(false);
  Start(Doc(), std::move(no));
  EXPECT_EQ(editor->messageBox.Shown(), std::vector<String>{Question(Doc(), true)});
  EXPECT_EQ(app().Document().Text(), u"one\r\ntwo\r\nthree\r\n");
  ASSERT_EQ(app().Files().RecoveryOffers().size(), 1u);
  EXPECT_TRUE(app().Files().RecoveryOffers()[0].changedOnDisk);
}

// Two records of one file (two editors on it, both ended): the newest first; a No moves on.
// A record a running editor keeps is not offered.
TEST_F(RecoveryTest, SeveralRecordsAreOfferedNewestFirst) {
  Start(Doc());
  Keys("Aold<Esc><close>");
  Start(Doc());  // recovered: this run keeps the record now
  EXPECT_EQ(app().Files().RecoveryOffers().size(), 1u);
  {
    headless::HeadlessEditor other(fs);  // a second run on the same file meanwhile
    other.app.Dispatch(StartEvent{Doc()});
    EXPECT_TRUE(other.messageBox.Shown().empty());
    fs.SetNow(kMorning + 3600 * kSecond);
    other.Type("Anew");
    other.app.Dispatch(CloseEvent{});
  }
  Keys("<close>");
  headless::EditorSetup answers;
  answers.answers = {false, true};
  Start(Doc(), std::move(answers));
  EXPECT_EQ(editor->messageBox.Shown(),
            (std::vector<String>{Doc() + u" has unsaved changes from 2024-03-01 10:30. Recover them?", Question(Doc())}));
  EXPECT_EQ(app().Document().Text(), u"oneold\r\ntwo\r\n");
}

TEST_F(RecoveryTest, DeclinedRecordsAreKeptForAWeek) {
  for (std::int64_t age : {8 * kDay, 6 * kDay}) {
    Start(Doc());
    Keys("Ahello<Esc><close>");
    fs.SetNow(kMorning - age);
    headless::EditorSetup no;
    no.answers.push_back(false);
    Start(Doc(), std::move(no));
    EXPECT_EQ(Records("recovery-declined"), 1);
    fs.SetNow(kMorning);
    Start(Doc());
    EXPECT_EQ(Records("recovery-declined"), age > 7 * kDay ? 0 : 1) << age / kDay << " days";
    stdfs::remove_all(home.Path("state"));
  }
}

// A record that named its file only as typed (of the older form, or made where the path could
// not be resolved): one with an absolute path is offered to that path; one with a relative path
// only to the file its stamp proves to be its own, unchanged, and kept aside when met by its
// name otherwise. (The older form on disk and another folder's file: recovery_identity.sh.)
TEST_F(RecoveryTest, ARecordWithoutItsResolvedPathIsOfferedOnlyWhereItCannotBeWrong) {
  const struct Back { stdfs::path to; ~Back() { stdfs::current_path(to); } } back{stdfs::current_path()};
  stdfs::current_path(docs.Path());
  const struct {
    const char16_t* opened;
    const char* changedTo;  // the file's content before the second run, if changed
    bool offered;
  } cases[] = {{u"", "other\n", true}, {u"a.txt", nullptr, true}, {u"a.txt", "other\n", false}};
  for (const auto& c : cases) {
    const String path = *c.opened ? String(c.opened) : Doc();
    SCOPED_TRACE(ToUtf8(path) + (c.changedTo ? ", changed" : ""));
    stdfs::remove_all(home.Path("state"));
    docs.Write("a.txt", "one\ntwo\n");
    Start(path);
    Keys("Ahello<Esc>");
    AppTestAccess::FlushRecord(app());  // a full snapshot, not only the file's stamp
    EndRun();
    for (const auto& record : stdfs::directory_iterator(home.Path("state/recovery")))
      for (const auto& file : stdfs::directory_iterator(record.path())) {
        if (!file.path().filename().string().starts_with("info-")) continue;
        std::optional<RecordInfo> info = ParseInfo(testing::TempFolder::ReadPath(file.path()));
        ASSERT_TRUE(info && info->resolved);
        info->resolved.reset();
        std::ofstream(file.path(), std::ios::binary) << SerializeInfo(*info);
      }
    if (c.changedTo) docs.Write("a.txt", c.changedTo);
    Start(path);
    EXPECT_EQ(editor->messageBox.Shown().size(), c.offered ? 1u : 0u);
    EXPECT_EQ(Records("recovery-kept"), c.offered ? 0 : 1);
  }
}

// The first record after the load of a big file names the file by its stamp and holds only the
// journal until its full snapshot, some seconds later (a kill before that leaves just this): it
// gives the edits back while the file is unchanged, and nothing once another program changed
// the file.
TEST_F(RecoveryTest, ARecordStartedFromTheFileGivesTheEditsBackWhileTheFileIsUnchanged) {
  const std::string rest(5 << 20, 'x');  // past the size whose snapshot is taken at once
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed" : "unchanged");
    stdfs::remove_all(home.Path("state"));
    docs.Write("a.txt", "one\r\ntwo\r\n" + rest);
    Start(Doc());
    Keys("Ahello<Esc>");
    EndRun();
    const stdfs::path record = stdfs::directory_iterator(home.Path("state/recovery"))->path();
    const std::optional<RecordInfo> info = ParseInfo(testing::TempFolder::ReadPath(record / "info-00000000000000000000"));
    ASSERT_TRUE(info && info->fileBased);
    EXPECT_FALSE(stdfs::exists(record / "snapshot-00000000000000000000"));
    if (changed) docs.Write("a.txt", "one\r\ntwo\r\nthree\r\n" + rest);
    Start(Doc());
    EXPECT_EQ(editor->messageBox.Shown().size(), changed ? 0u : 1u);
    EXPECT_EQ(app().Document().Slice(0, 20), changed ? u"one\r\ntwo\r\nthree\r\nxxx" : u"onehello\r\ntwo\r\nxxxxx");
    Keys(":w<Enter>");
    EXPECT_EQ(docs.Read("a.txt"), (changed ? "one\r\ntwo\r\nthree\r\n" : "onehello\r\ntwo\r\n") + rest);
    EndRun();
  }
}

// Journal entries keep positions past 2^31; entries of the older form (32-bit positions, on
// users' disks already) are still read.
TEST_F(RecoveryTest, JournalEntriesOfBothFormsAreRead) {
  std::string journal;
  SerializeEdit(LoggedEdit{7, kMorning, 3'000'000'000, 5'000'000'000, SharedText(String(u"x\r\ny")), {{1, BreakForm::CR}}},
                journal);
  std::string payload;  // "QJE1": seq, time, start and removed in 32 bits, forms, units
  auto put = [&payload](std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) payload.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(8, 8), put(kMorning, 8), put(4'000'000'000u, 4), put(2, 4), put(0, 4), put(1, 4), put(u'z', 2);
  ContentHash hash;
  hash.Add(payload);
  std::string old;
  for (const auto& [v, bytes] : {std::pair<std::uint64_t, int>{0x3145'4A51, 4}, {payload.size(), 8}})
    for (int i = 0; i < bytes; ++i) old.push_back(static_cast<char>(v >> (8 * i)));
  old += payload;
  for (int i = 0; i < 8; ++i) old.push_back(static_cast<char>(hash.Value() >> (8 * i)));
  const std::vector<LoggedEdit> edits = ParseJournal(journal + old);
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0].start, 3'000'000'000);
  EXPECT_EQ(edits[0].removed, 5'000'000'000);
  EXPECT_EQ(edits[0].forms, (BreakRuns{{1, BreakForm::CR}}));
  EXPECT_EQ(edits[0].inserted.ToString(), u"x\r\ny");
  EXPECT_EQ(edits[1].seq, 8);
  EXPECT_EQ(edits[1].start, 4'000'000'000);
  EXPECT_EQ(edits[1].removed, 2);
  EXPECT_EQ(edits[1].inserted.ToString(), u"z");
}

// A record that cannot be written is said once in the message panel; the editor goes on, and
// tries again a few seconds later.
TEST_F(RecoveryTest, AFailedRecordWriteIsReportedOnce) {
  fs.Fail(headless::FsCall::MakeFolder, "No space left on device");
  Start(Doc());
  Keys("Ahello");
  AppTestAccess::FlushRecord(app());
  app().Dispatch(SelectEvent{0, 0});
  EXPECT_EQ(Panel(panel::Message), u"Can't write the recovery record: No space left on device");
  Keys("<Esc>:x<Enter>Aabc");
  AppTestAccess::FlushRecord(app());
  app().Dispatch(SelectEvent{0, 0});
  EXPECT_EQ(Panel(panel::Message), u"Invalid command") << "not said again";
  fs.ClearFaults();
  fs.SetNow(kMorning + 6 * kSecond);
  app().Dispatch(SelectEvent{0, 0});  // the next snapshot works
  EndRun();
  Start(Doc());
  EXPECT_EQ(app().Document().Text(), u"onehelloabc\r\ntwo\r\n");
}

}  // namespace
}  // namespace quilmar
