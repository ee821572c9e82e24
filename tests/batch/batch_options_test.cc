// quilmar-batch's command line read into options.
#include "batch_options.hh"

#include <gtest/gtest.h>

namespace quilmar::batch {
namespace {

TEST(BatchOptions, EveryOptionIsRead) {
  const ParsedOptions parsed = ParseBatchOptions(
      {"--keys", "ab", "--home", "/h", "--keys-file", "k.txt", "--cols", "12", "--rows", "7",
       "--dialog", "/a.txt", "--dialog", "cancel", "--dialog", "font:Courier New,9.5,bold",
       "--dialog", "font:cancel", "--answer", "no", "--answer", "yes", "--clipboard",
       "cl\xc3\xa9", "--omit-text", "--qt", "--keys", "c"});
  ASSERT_FALSE(parsed.error) << *parsed.error;
  const BatchOptions& o = parsed.options;
  ASSERT_EQ(o.scripts.size(), 3u);
  EXPECT_FALSE(o.scripts[0].isFile);
  EXPECT_EQ(o.scripts[0].value, "ab");
  EXPECT_TRUE(o.scripts[1].isFile);
  EXPECT_EQ(o.scripts[1].value, "k.txt");
  EXPECT_EQ(o.scripts[2].value, "c");
  EXPECT_EQ(o.run.home, "/h");
  EXPECT_EQ(o.run.cols, 12);
  EXPECT_EQ(o.run.rows, 7);
  ASSERT_EQ(o.run.dialogs.size(), 2u);
  EXPECT_EQ(o.run.dialogs[0], std::optional<String>(u"/a.txt"));
  EXPECT_EQ(o.run.dialogs[1], std::nullopt);
  ASSERT_EQ(o.run.fontDialogs.size(), 2u);
  ASSERT_TRUE(o.run.fontDialogs[0]);
  EXPECT_EQ(o.run.fontDialogs[0]->name, u"Courier New");
  EXPECT_DOUBLE_EQ(o.run.fontDialogs[0]->size, 9.5);
  EXPECT_TRUE(o.run.fontDialogs[0]->bold);
  EXPECT_FALSE(o.run.fontDialogs[0]->italic);
  EXPECT_EQ(o.run.fontDialogs[1], std::nullopt);
  EXPECT_EQ(o.run.answers, (std::deque<bool>{false, true}));
  EXPECT_EQ(o.run.clipboard, u"cl\u00e9");
  EXPECT_TRUE(o.omitText);
  EXPECT_TRUE(o.qt);
}

TEST(BatchOptions, FileWordsAreJoinedBySingleSpaces) {
  struct Row {
    std::vector<std::string> args;
    const char16_t* commandLine;
  };
  for (const Row& r : {Row{{"a.txt"}, u"a.txt"},
                       Row{{"my", "notes.txt"}, u"my notes.txt"},
                       Row{{"my", "--omit-text", "notes.txt"}, u"my notes.txt"},
                       Row{{"\"quoted", "name\""}, u"\"quoted name\""},
                       Row{{"--", "--keys", "-x"}, u"--keys -x"},
                       Row{{"-"}, u"-"},
                       Row{{"a  b"}, u"a  b"}}) {
    const ParsedOptions parsed = ParseBatchOptions(r.args);
    ASSERT_FALSE(parsed.error) << *parsed.error;
    EXPECT_EQ(parsed.options.commandLine, r.commandLine);
  }
}

TEST(BatchOptions, BadOptionsAreRefusedWithOneLine) {
  struct Row {
    std::vector<std::string> args;
    const char* mention;
  };
  for (const Row& r : {Row{{"--nope"}, "--nope"}, Row{{"--keys"}, "needs a value"},
                       Row{{"--cols", "0"}, "--cols"}, Row{{"--cols", "12x"}, "--cols"},
                       Row{{"--rows", "-3"}, "--rows"}, Row{{"--answer", "maybe"}, "--answer"},
                       Row{{"--dialog", ""}, "--dialog"}, Row{{"--home", ""}, "--home"},
                       Row{{"--dialog", "font:Mono"}, "font:"},
                       Row{{"--dialog", "font:Mono,big"}, "font:"},
                       Row{{"--dialog", "font:Mono,10,heavy"}, "font:"}}) {
    const ParsedOptions parsed = ParseBatchOptions(r.args);
    ASSERT_TRUE(parsed.error) << r.args[0];
    EXPECT_NE(parsed.error->find(r.mention), std::string::npos) << *parsed.error;
    EXPECT_EQ(parsed.error->find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace quilmar::batch
