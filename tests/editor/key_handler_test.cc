// The document's keys in both modes, as key scripts: the document before, the keys, and the
// state after. Grouped by command; every Command-mode key is also tried with Shift and Ctrl.
#include "script_editor.hh"
#include "app_test_access.hh"

namespace quilmar::testing {
namespace {

class KeyScript : public ::testing::TestWithParam<ScriptCase> {};
TEST_P(KeyScript, Runs) { RunCase(GetParam()); }

std::string CaseName(const ::testing::TestParamInfo<ScriptCase>& info) {
  std::string name(info.param.name);
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// ---- Entering Insert mode: "i", "a", "I", "A".
const ScriptCase kInsertKeys[] = {
    {"i_keeps_caret", "ab|c", "i", {.doc = "ab|c", .mode = "Insert", .commandMode = false, .locked = false}},
    {"i_keeps_selection", "a[bc]d", "i", {.doc = "a[bc]d", .mode = "Insert"}},
    {"i_is_consumed_then_types", "ab|c", "ixy", {.doc = "abxy|c", .textChanged = true}},
    {"ctrl_i_acts_as_i", "ab|c", "<C-i>", {.doc = "ab|c", .mode = "Insert", .commandMode = false}},
    {"a_moves_right", "ab|c", "a", {.doc = "abc|", .mode = "Insert", .commandMode = false, .locked = false}},
    {"a_at_document_end", "abc|", "a", {.doc = "abc|", .mode = "Insert"}},
    {"a_before_line_break_passes_the_pair", "ab|\ncd", "a", {.doc = "ab\n|cd", .commandMode = false}},
    {"a_with_selection", "a[bc]d", "a", {.doc = "ab|cd", .mode = "Insert"}},
    {"a_is_consumed_then_types", "a|b", "ax", {.doc = "abx|", .textChanged = true}},
    {"ctrl_a_acts_as_a", "a|bc", "<C-a>", {.doc = "ab|c", .mode = "Insert"}},
    {"I_to_line_start", "ab\ncd|e", "I", {.doc = "ab\n|cde", .mode = "Insert", .commandMode = false, .locked = false}},
    {"I_on_first_line", "abc|", "I", {.doc = "|abc", .mode = "Insert"}},
    {"I_with_selection_uses_its_start", "ab\nc[d\ne]f", "I", {.doc = "ab\n|cd\nef"}},
    {"A_to_line_end", "a|b\ncde", "A", {.doc = "ab|\ncde", .mode = "Insert", .commandMode = false, .locked = false}},
    {"A_on_empty_line", "ab\n|\ncd", "A", {.doc = "ab\n|\ncd", .mode = "Insert"}},
    {"A_is_consumed_then_types", "a|b\nc", "Az", {.doc = "abz|\nc"}},
    {"ctrl_shift_A_acts_as_A", "a|b\nc", "<C-S-a>", {.doc = "ab|\nc", .mode = "Insert"}},
    {"ctrl_shift_I_acts_as_I", "ab\nc|d", "<C-S-i>", {.doc = "ab\n|cd", .mode = "Insert"}},
    {"alt_i_acts_as_i", "ab|c", "<A-i>", {.doc = "ab|c", .mode = "Insert", .commandMode = false}},
};
INSTANTIATE_TEST_SUITE_P(InsertKeys, KeyScript, ::testing::ValuesIn(kInsertKeys), CaseName);

// ---- Escape, in both modes.
const ScriptCase kEscape[] = {
    {"escape_from_insert", "ab|c", "<Esc>", {.doc = "ab|c", .mode = "Command", .commandMode = true, .locked = true}, true},
    {"escape_in_command_mode", "ab|c", "<Esc>", {.mode = "Command", .commandMode = true, .locked = true}},
    {"escape_keeps_selection", "a[bc]d", "i<Esc>", {.doc = "a[bc]d", .commandMode = true}},
    {"typing_after_escape_does_nothing", "ab|", "<Esc>qwz", {.doc = "ab|", .mode = "Command", .textChanged = false}, true},
    {"shift_escape", "ab|", "<S-Esc>", {.mode = "Command", .commandMode = true}, true},
};
INSTANTIATE_TEST_SUITE_P(Escape, KeyScript, ::testing::ValuesIn(kEscape), CaseName);

// ---- "0" and "4" ("$"): line start and end, also with Shift and Ctrl.
const ScriptCase kLineMotions[] = {
    {"zero_to_line_start", "ab\ncd|e", "0", {.doc = "ab\n|cde", .mode = "Command", .commandMode = true}},
    {"paren_is_zero", "ab\ncd|e", ")", {.doc = "ab\n|cde"}},
    {"ctrl_zero", "ab\ncd|e", "<C-0>", {.doc = "ab\n|cde"}},
    {"four_to_line_end", "a|bc\nd", "4", {.doc = "abc|\nd", .commandMode = true}},
    {"dollar_is_four", "a|bc\nd", "$", {.doc = "abc|\nd"}},
    {"ctrl_four", "a|bc\nd", "<C-4>", {.doc = "abc|\nd"}},
    {"zero_on_empty_line", "ab\n|\ncd", "0", {.doc = "ab\n|\ncd"}},
    {"four_on_empty_line", "ab\n|\ncd", "4", {.doc = "ab\n|\ncd"}},
    {"four_at_end_of_last_line", "ab\ncd|", "4", {.doc = "ab\ncd|"}},
    {"zero_at_end_of_last_line", "ab\ncd|", "0", {.doc = "ab\n|cd"}},
    {"four_from_start_of_line", "ab\n|cd\nef", "4", {.doc = "ab\ncd|\nef"}},
    {"zero_from_start_of_line_stays", "ab\n|cd", "0", {.doc = "ab\n|cd"}},
    {"four_removes_selection", "a[b\nc]d", "4", {.doc = "ab|\ncd"}},
    {"digits_type_in_insert_mode", "ab|c", "04", {.doc = "ab04|c"}, true},
};
INSTANTIATE_TEST_SUITE_P(LineMotions, KeyScript, ::testing::ValuesIn(kLineMotions), CaseName);

// ---- "x": Delete through the control, the document unlocked until the next key.
const ScriptCase kDeleteChar[] = {
    {"x_deletes_after_caret", "a|bc", "x", {.doc = "a|c", .commandMode = true, .locked = false, .textChanged = true}},
    {"x_then_any_key_relocks", "a|bc", "xq", {.doc = "a|c", .commandMode = true, .locked = true}},
    {"x_twice", "a|bcd", "xx", {.doc = "a|d"}},
    {"x_joins_lines", "ab|\ncd", "x", {.doc = "ab|cd"}},
    {"x_at_document_end", "ab|", "x", {.doc = "ab|", .textChanged = false}},
    {"x_with_selection", "a[b\nc]d", "x", {.doc = "a|d"}},
    {"x_keeps_mode_panel", "a|bc", "<Esc>x", {.mode = "Command"}},
    {"x_types_in_insert_mode", "a|b", "x", {.doc = "ax|b"}, true},
    {"shift_x_acts_as_x", "a|bc", "X", {.doc = "a|c", .commandMode = true, .textChanged = true}},
    {"shift_x_with_selection", "a[b\nc]d", "X", {.doc = "a|d"}},
};
INSTANTIATE_TEST_SUITE_P(DeleteChar, KeyScript, ::testing::ValuesIn(kDeleteChar), CaseName);

// "x" hands the control a Delete key with the modifiers still held: in Command mode "x" with
// any modifiers does exactly what Delete with the same modifiers does in Insert mode.
TEST(KeyHandler, XIsDeleteWithTheSameModifiers) {
  for (const char* before : {"a|bc def", "ab|\ncd", "a[bc] d", "abc|"}) {
    for (ShiftState mods : {shift::None, shift::Shift, shift::Ctrl, shift::Alt, ShiftState(shift::Ctrl | shift::Shift)}) {
      SCOPED_TRACE(std::string(before) + " modifiers " + std::to_string(mods));
      ScriptEditor command;
      command.Load(before);
      command.app().Dispatch(KeyDownEvent{KeyEvent{key::X, mods, {}}});
      ScriptEditor insert;
      insert.Load(before);
      insert.Run("i");
      insert.app().Dispatch(KeyDownEvent{KeyEvent{key::Delete, mods, {}}});
      EXPECT_EQ(command.Doc(), insert.Doc());
      EXPECT_TRUE(command.app().Mode().CommandMode());
      EXPECT_FALSE(command.doc().Locked());
    }
  }
}

// ---- "y": copy the selection or the current line.
const ScriptCase kYank[] = {
    {"y_copies_line_and_selects_it", "ab|c\nde", "y", {.doc = "[abc]\nde", .clipboard = "abc", .textChanged = false}, false, "old"},
    {"y_on_second_line", "abc\nd|e", "y", {.doc = "abc\n[de]", .clipboard = "de"}},
    {"y_copies_multiline_selection", "a[b\nc]d", "y", {.doc = "a[b\nc]d", .clipboard = "b\r\nc"}},
    {"y_on_empty_line_leaves_clipboard_empty", "ab\n|\ncd", "y", {.doc = "ab\n|\ncd", .clipboard = ""}, false, "old"},
    {"Y_acts_as_y", "ab|c", "Y", {.clipboard = "abc"}},
    {"ctrl_y_acts_as_y", "ab|c", "<C-y>", {.doc = "[abc]", .clipboard = "abc"}},
    {"y_types_in_insert_mode", "a|", "y", {.doc = "ay|"}, true, "old"},
};
INSTANTIATE_TEST_SUITE_P(Yank, KeyScript, ::testing::ValuesIn(kYank), CaseName);

// ---- "p": the clipboard on a new line below the current one.
const ScriptCase kPut[] = {
    {"p_below_current_line", "a|bc\nde", "p", {.doc = "abc\nxyz|\nde", .textChanged = true}, false, "xyz"},
    {"p_on_last_line", "ab|c", "p", {.doc = "abc\nxyz|"}, false, "xyz"},
    {"p_with_empty_clipboard", "a|bc\nde", "p", {.doc = "abc\n|\nde"}},
    {"p_multiline_clipboard", "|ab", "p", {.doc = "ab\nx\ny|"}, false, "x\r\ny"},
    {"y_then_p_duplicates_line", "a|bc\nde", "yp", {.doc = "abc\nabc|\nde", .clipboard = "abc"}},
    {"P_acts_as_p", "|a", "P", {.doc = "a\nq|"}, false, "q"},
    {"p_keeps_document_locked", "|a", "p", {.commandMode = true, .locked = true}, false, "q"},
    {"p_types_in_insert_mode", "a|", "p", {.doc = "ap|"}, true, "q"},
};
INSTANTIATE_TEST_SUITE_P(Put, KeyScript, ::testing::ValuesIn(kPut), CaseName);

// ---- "d" twice: delete the current line.
const ScriptCase kDeleteLine[] = {
    {"d_once_does_nothing_visible", "ab\nc|d", "d", {.doc = "ab\nc|d", .pendingDelete = true, .textChanged = false}},
    {"dd_deletes_line_and_break", "ab\nc|d\nef", "dd", {.doc = "ab\n|ef", .clipboard = "cd", .pendingDelete = false, .textChanged = true}},
    {"dd_first_line", "a|b\ncd", "dd", {.doc = "|cd", .clipboard = "ab"}},
    {"dd_last_line_keeps_it_empty", "ab\nc|d", "dd", {.doc = "ab\n|", .clipboard = "cd"}},
    {"dd_only_line", "a|bc", "dd", {.doc = "|", .clipboard = "abc"}},
    {"dd_empty_line_removes_its_break", "ab\n|\ncd", "dd", {.doc = "ab\n|cd", .clipboard = ""}, false, "old"},
    {"dd_empty_last_line", "ab\n|", "dd", {.doc = "ab\n|"}},
    {"dd_multiline_selection_deletes_first_line", "a[b\nc]d\nef", "dd", {.doc = "|cd\nef", .clipboard = "ab"}},
    {"dddd_deletes_two_lines", "a|b\ncd\nef", "dddd", {.doc = "|ef", .clipboard = "cd"}},
    {"ddd_leaves_one_pending", "a|b\ncd", "ddd", {.doc = "|cd", .pendingDelete = true}},
    {"D_acts_as_d", "a|b\ncd", "DD", {.doc = "|cd"}},
    {"ctrl_d_acts_as_d", "a|b\ncd", "<C-d><C-d>", {.doc = "|cd"}},
    {"d_survives_insert_mode_and_typing", "a|b\ncd", "didd<Esc>d", {.doc = "|cd", .clipboard = "addb"}},
    {"d_survives_x", "a|bc\nde", "dxd", {.doc = "|de", .clipboard = "ac"}},
    {"d_survives_motions_and_yank", "a|b\ncd\nef", "d$0y<Down>d", {.doc = "ab\n|ef", .clipboard = "cd"}},
    {"d_types_in_insert_mode", "a|", "dd", {.doc = "add|", .pendingDelete = false}, true},
};
INSTANTIATE_TEST_SUITE_P(DeleteLine, KeyScript, ::testing::ValuesIn(kDeleteLine), CaseName);

// ---- Each command is one step of the history, undone (Ctrl+Z, in Insert mode) and redone
// (Ctrl+Y) whole; typing still merges into one step.
const ScriptCase kUndo[] = {
    {"dd_undoes_in_one_step", "ab\nc|d\nef", "ddi<C-z>", {.doc = "ab\n[cd]\nef"}},
    {"dd_redoes_in_one_step", "ab\nc|d\nef", "ddi<C-z><C-y>", {.doc = "ab\n|ef"}},
    {"three_dd_three_undos", "a|\nb\nc\nd", "ddddddi<C-z><C-z><C-z>", {.doc = "[a]\nb\nc\nd"}},
    {"p_undoes_in_one_step", "a|b\ncd", "pi<C-z>", {.doc = "ab|\ncd"}, false, "xy"},
    {"each_x_is_a_step", "a|bcd", "xxxi<C-z>", {.doc = "a|d"}},
    {"typing_is_one_step", "a|b", "xyz<C-z>", {.doc = "a|b"}, true},
};
INSTANTIATE_TEST_SUITE_P(Undo, KeyScript, ::testing::ValuesIn(kUndo), CaseName);

// ---- ":" and "/": into the command box.
const ScriptCase kCommandBox[] = {
    {"colon_opens_box", "ab|c", ":", {.doc = "ab|c", .mode = "Command", .commandMode = true, .inCommandBox = true, .cmdText = ":"}},
    {"semicolon_does_nothing", "ab|c", ";", {.doc = "ab|c", .inCommandBox = false, .cmdText = ""}},
    {"ctrl_colon_opens_box", "ab|c", "<C-S-;>", {.mode = "Command", .inCommandBox = true, .cmdText = ":"}},
    {"ctrl_semicolon_does_nothing", "ab|c", "<C-;>", {.inCommandBox = false}},
    {"slash_opens_search_box", "ab|c", "/", {.mode = "Search", .commandMode = true, .inCommandBox = true, .cmdText = "/"}},
    {"question_mark_is_slash", "ab|c", "?", {.mode = "Search", .inCommandBox = true, .cmdText = "/"}},
    {"ctrl_slash_is_slash", "ab|c", "<C-/>", {.mode = "Search", .inCommandBox = true, .cmdText = "/"}},
    {"colon_types_in_insert_mode", "a|", ":/", {.doc = "a:/|", .inCommandBox = false}, true},
    {"box_caret_after_leader", "a", ":w", {.cmdText = ":w"}},
};
INSTANTIATE_TEST_SUITE_P(CommandBox, KeyScript, ::testing::ValuesIn(kCommandBox), CaseName);

// ---- Keys that are no commands, the Insert key, and Ctrl+V.
const ScriptCase kOtherKeys[] = {
    {"letters_do_nothing_in_command_mode", "ab|c", "<Esc>qwzQ", {.doc = "ab|c", .mode = "Command", .textChanged = false}},
    {"mode_panel_keeps_text", "ab|c", "<Esc>/<Esc>q", {.mode = ""}},
    {"arrows_move_while_locked", "ab|c\nde", "<Left><Down>", {.doc = "abc\nd|e", .locked = true}},
    {"backspace_does_nothing_while_locked", "ab|c", "<BS><Del>", {.doc = "ab|c", .textChanged = false}},
    {"insert_key_consumed_in_command_mode", "ab|c", "<Ins>", {.doc = "ab|c", .commandMode = true}},
    {"insert_key_no_overwrite", "ab|c", "<Ins>x", {.doc = "abx|c"}, true},
    {"shift_insert_does_not_paste", "ab|c", "<S-Ins>", {.doc = "ab|c"}, true, "zz"},
    {"ctrl_insert_does_not_copy", "a[bc]", "<C-Ins>", {.clipboard = "zz"}, true, "zz"},
    {"ctrl_v_pastes_in_insert_mode", "a|b", "<C-v>", {.doc = "axy|b", .textChanged = true}, true, "xy"},
    {"ctrl_v_replaces_selection", "a[bc]d", "<C-v>", {.doc = "axy|d"}, true, "xy"},
    {"ctrl_v_empty_clipboard_deletes_selection", "a[bc]d", "<C-v>", {.doc = "a|d"}, true},
    {"ctrl_v_multiline", "a|b", "<C-v>", {.doc = "ax\ny|b"}, true, "x\r\ny"},
    {"ctrl_shift_v_pastes_too", "a|b", "<C-S-v>", {.doc = "axy|b"}, true, "xy"},
    {"ctrl_v_does_nothing_in_command_mode", "a|b", "<C-v>", {.doc = "a|b", .textChanged = false}, false, "xy"},
    {"v_does_nothing_in_command_mode", "a|b", "vV", {.doc = "a|b"}, false, "xy"},
    {"v_types_in_insert_mode", "a|b", "v", {.doc = "av|b"}, true, "xy"},
    {"insert_mode_types_command_letters", "|", "iayp0$xdn", {.doc = "iayp0$xdn|"}, true},
};
INSTANTIATE_TEST_SUITE_P(OtherKeys, KeyScript, ::testing::ValuesIn(kOtherKeys), CaseName);

// ---- Caps Lock and the keypad: the handler reads codes and the Shift bit, never the typed character.
TEST(KeyHandler, CapsLockChangesNothing) {
  ScriptEditor ed;
  ed.Load("ab\ncd|e");
  // The keypad's digits are not the "0" and "4" commands.
  for (KeyCode code : {key::Numpad0, KeyCode(key::Numpad0 + 4)}) ed.app().Dispatch(KeyDownEvent{KeyEvent{code, shift::None, {}}});
  EXPECT_EQ(ed.Doc(), "ab\ncd|e");
  ed.app().Dispatch(KeyDownEvent{KeyEvent{key::I, shift::None, u"I"}});  // the I key with Caps Lock on
  EXPECT_EQ(ed.Doc(), "ab\ncd|e");
  EXPECT_FALSE(ed.app().Mode().CommandMode());
  ed.Run("<Esc>");
  ed.app().Dispatch(KeyDownEvent{KeyEvent{key::I, shift::Shift, u"i"}});  // Shift with Caps Lock on
  EXPECT_EQ(ed.Doc(), "ab\n|cde");
}

}  // namespace
}  // namespace quilmar::testing
