// A representative set of command lines through quilmar-batch, headless and through the window.
#include <fstream>
#include <sstream>

#include "../editor/batch_compare.hh"

namespace quilmar::testing {
namespace {

class CommandBatch : public ::testing::TestWithParam<BatchCase> {};
TEST_P(CommandBatch, HeadlessAndWindowAgree) { RunBatchCase(GetParam()); }

const BatchCase kCommandScripts[] = {
    {"substitute", {}, "ia a a<CR>b a<Esc>:0,1s/a/xy/<CR>",
     {R"("text":"xy xy xy\r\nb xy")", R"(["4 Replacments","Command")", R"("searchPos":0)", R"("selStart":14)"}},
    {"substitute_one_undo", {}, "ia a<CR>a<Esc>:0,1s/a/b/<CR>i<C-z><Esc>", {R"("text":"a a\r\na")"}},
    {"substitute_case_rule", {}, "iaA<CR>x<Esc><menu:mnuReplaceCase>:0,1s/a/-/<CR>",
     {R"("text":"--\r\nx")", R"("mnuReplaceCase":false)"}},
    {"substitute_escapes", {}, "ix<CR>a, b<Esc>:1,1s/, /\\n/<CR>:0,2s/\\//\\t/<CR>",
     {R"("text":"x\r\na\r\nb")", R"("0 Replacments")"}},
    {"substitute_messages", {}, "ia<CR>b<Esc>:0,0s/a/b/<CR>", {R"("Invalid End position")"}},
    {"substitute_clamped_range", {}, "ia<CR>a<CR>a<Esc>:1,5s/a/x/<CR>", {R"("text":"a\r\nx\r\nx")", R"("2 Replacments")"}},
    {"substitute_bad_start", {}, "ia<CR>b<Esc>:2,1s/a/b/<CR>", {R"("Invalid start position")"}},
    {"goto_line", {}, "ione<CR>two<CR>three<Esc>:1<CR>", {R"("selStart":5)", R"("Ln# 1 : Char# 0 ")"}},
    {"goto_refusals", {}, "ione<Esc>:9<CR>", {R"("Invalid line number")"}},
    {"goto_letters", {}, "ione<Esc>:1,3s/a/b<CR>", {R"("Invalid command")"}},
    {"quit_refused", {}, "ix<Esc>:q<CR>", {R"("Unsaved changes, use q! to override")", R"("closed":false)"}},
    {"quit_forced", {}, "ix<Esc>:q!<CR>", {R"("closed":true)"}},
    {"quit_unchanged", {}, ":q<CR>", {R"("closed":true)"}},
    {"trailing_space_trap", {}, ":q <CR>", {R"("Invalid command")", R"("closed":false)"}},
    {"upper_case_trap", {}, ":W<CR>", {R"("Invalid command")"}},
    {"lone_colon", {}, ":<CR>", {R"("Invalid command")", R"("cmdText":"")", R"("focus":"txtMain")"}},
    {"search_line", {}, "iab ab<Esc>/ab<CR>/<CR>", {R"("lastPattern":"")"}},
};
INSTANTIATE_TEST_SUITE_P(Scripts, CommandBatch, ::testing::ValuesIn(kCommandScripts),
                         [](const auto& info) { return std::string(info.param.name); });

// A write through a command line to a name that holds spaces; the file must hold the text.
TEST(CommandBatch, WriteToANameWithSpaces) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "quilmar-d-batch";
  std::filesystem::create_directories(folder);
  const std::filesystem::path target = folder / "two words.txt";
  std::filesystem::remove(target);
  const BatchCase write{"write", {"--home", folder.string()}, "ihello<Esc>:w " + target.string() + "<CR>",
                        {R"(["Written",)", R"("textChanged":false)"}};
  RunBatchCase(write, [&] {
    std::ifstream in(target);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "hello");
    std::filesystem::remove(target);  // the window's run writes it afresh
  });
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quilmar::testing
