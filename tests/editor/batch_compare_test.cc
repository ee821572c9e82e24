// A representative set of Command-mode scripts through quilmar-batch, headless and through the
// window. Lines stay short, so that where the window's font wraps them cannot matter.
#include "batch_compare.hh"

namespace quilmar::testing {
namespace {

class EditorBatch : public ::testing::TestWithParam<BatchCase> {};
TEST_P(EditorBatch, HeadlessAndWindowAgree) { RunBatchCase(GetParam()); }

const BatchCase kEditorScripts[] = {
    {"motions_and_x", {}, "iabc def<CR>ghi<Esc>0x$x",
     {R"("text":"abc def\r\nhi")", R"("commandMode":true,"locked":false)"}},  // "x" unlocks until the next key
    {"yank_and_put", {}, "ione<CR>two<Esc>:0<CR>yp",
     {R"("text":"one\r\none\r\ntwo")", R"("clipboard":"one")", R"("Ln# 1 : Char# 3 ")"}},
    {"delete_line", {}, "ione<CR>two<CR>three<Esc>:1<CR>dd",
     {R"("text":"one\r\nthree")", R"("clipboard":"two")", R"("pendingDelete":false)"}},
    {"delete_last_line", {}, "ione<CR>two<Esc>dd", {R"("text":"one\r\n")", R"("selStart":5)"}},
    {"pending_delete_survives_insert", {}, "ione<CR>two<Esc>didd<Esc>d",
     {R"("text":"one\r\n")", R"("clipboard":"twodd")"}},
    {"insert_keys", {}, "iabc<CR>def<Esc>0Ax<Esc>Iy<Esc><Up>a!",
     {R"("text":"ab!c\r\nydefx")", R"("commandMode":false)", R"("Insert")"}},
    {"put_empty_clipboard", {}, "iab<Esc>p", {R"("text":"ab\r\n")", R"("clipboard":"")"}},
    {"ctrl_v_in_insert_mode", {"--clipboard", "XY"}, "iab<Left><C-v><Esc><C-v>",
     {R"("text":"aXYb")"}},
    {"insert_key_consumed", {}, "iab<Ins>c<Left><Ins>d<Esc><Ins>", {R"("text":"abdc")"}},
    {"search_wraps", {}, "ifoo bar foo<Esc>/foo<CR>nn",
     {R"("selStart":0,"selLength":3)", R"("Search hit bottom, continuing at top","Search")", R"("searchPos":3)"}},
    {"search_not_found", {}, "iabc<Esc>/zz<CR>", {R"("Pattern not found: zz")", R"("searchPos":0)"}},
    {"f3_in_insert_mode", {}, "ifoo x foo<Esc>/foo<CR>i<F3>",
     {R"("selStart":6,"selLength":3)", R"("commandMode":false)", R"("Search")"}},
    {"command_box_escape", {}, ":w x<Esc>", {R"("panels":["","",)", R"("focus":"txtMain")", R"("cmdText":"")"}},
    {"command_box_backspace", {}, "/ab<Left><Left><BS>", {R"("focus":"txtMain")", R"("panels":["","",)"}},
    {"shifted_keys", {}, "iab cd<CR>ef<Esc>0$?<Esc>YP",
     {R"("text":"ab cd\r\nef\r\nef")", R"("clipboard":"ef")"}},
};
INSTANTIATE_TEST_SUITE_P(Scripts, EditorBatch, ::testing::ValuesIn(kEditorScripts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quilmar::testing
