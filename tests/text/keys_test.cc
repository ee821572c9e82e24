// What the control does with the keys that reach it, as key scripts on marked text.
#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

KeyEvent Key(KeyCode code, ShiftState mods = shift::None) { return KeyEvent{code, mods, {}}; }
KeyEvent Shift(KeyCode code) { return Key(code, shift::Shift); }
KeyEvent Ctrl(KeyCode code) { return Key(code, shift::Ctrl); }
KeyEvent Type(const char* text) {
  const String t = U(text);
  return KeyEvent{static_cast<KeyCode>(t.empty() ? 0 : t[0]), shift::None, t};
}

struct KeyCase {
  const char* name;
  const char* before;
  std::vector<KeyEvent> keys;
  const char* after;
  int cols = 80;
  bool locked = false;
};

const KeyCase kKeyCases[] = {
    {"typing inserts at the caret", "ab|", {Type("c"), Type("d")}, "abcd|"},
    {"typing replaces the selection", "a^bc|d", {Type("x")}, "ax|d"},
    {"Enter inserts a break", "ab|cd", {Key(key::Return)}, "ab\n|cd"},
    {"Tab inserts a tab", "ab|", {Key(key::Tab)}, "ab\t|"},
    {"Space types", "ab|", {KeyEvent{key::Space, shift::None, u" "}}, "ab |"},
    {"Backspace removes a break at once", "ab\n|cd", {Key(key::Back)}, "ab|cd"},
    {"Backspace removes a surrogate pair at once", "a😀|b", {Key(key::Back)}, "a|b"},
    {"Backspace at the start does nothing", "|ab", {Key(key::Back)}, "|ab"},
    {"Backspace removes the selection", "a^bc|d", {Key(key::Back)}, "a|d"},
    {"Delete removes a break at once", "ab|\ncd", {Key(key::Delete)}, "ab|cd"},
    {"Delete at the end does nothing", "ab|", {Key(key::Delete)}, "ab|"},
    {"Ctrl+Backspace at a line start joins lines", "ab\n|cd", {Ctrl(key::Back)}, "ab|cd"},
    {"Left steps over a break", "ab\n|cd", {Key(key::Left)}, "ab|\ncd"},
    {"Right steps over a surrogate pair", "a|😀b", {Key(key::Right)}, "a😀|b"},
    {"Right at the end stays", "ab|", {Key(key::Right)}, "ab|"},
    {"Shift+Right extends", "|abc", {Shift(key::Right), Shift(key::Right)}, "^ab|c"},
    {"Shift+Left extends backwards", "abc|", {Shift(key::Left), Shift(key::Left)}, "a|bc^"},
    {"Left collapses a selection to its start", "a^bc|d", {Key(key::Left)}, "a|bcd"},
    {"Right collapses a selection to its end", "a|bc^d", {Key(key::Right)}, "abc|d"},
    {"Ctrl+Right at a line end goes to the next line", "ab|\ncd", {Ctrl(key::Right)}, "ab\n|cd"},
    {"Ctrl+Left at a line start goes to the line before", "ab\n|cd", {Ctrl(key::Left)}, "ab|\ncd"},
    {"Home and End", "ab\ncd|ef\ngh", {Key(key::Home)}, "ab\n|cdef\ngh"},
    {"End", "ab\nc|def\ngh", {Key(key::End)}, "ab\ncdef|\ngh"},
    {"Shift+End selects to the line end", "a|bc", {Shift(key::End)}, "a^bc|"},
    {"Ctrl+Home and Ctrl+End", "ab\nc|d", {Ctrl(key::Home)}, "|ab\ncd"},
    {"Ctrl+End", "a|b\ncd", {Ctrl(key::End)}, "ab\ncd|"},
    {"Up and Down keep the goal column", "abcde|f\nab\nabcdef",
     {Key(key::Down), Key(key::Down)}, "abcdef\nab\nabcde|f"},
    {"Down on the last line stays", "ab\nc|d", {Key(key::Down)}, "ab\nc|d"},
    {"Up on the first line stays", "a|b\ncd", {Key(key::Up)}, "a|b\ncd"},
    {"Shift+Down extends", "a|b\ncd", {Shift(key::Down)}, "a^b\nc|d"},
    {"Ctrl+A selects everything", "a|b\ncd", {Ctrl(key::A)}, "^ab\ncd|"},
    // Wrapped at 5 cells: "hello " / "world " / "foo".
    {"Home on a wrapped line", "hello wor|ld foo", {Key(key::Home)}, "hello |world foo", 5},
    {"End on a wrapped line stops before the wrap", "he|llo world foo", {Key(key::End)}, "hello| world foo", 5},
    {"Down moves by laid-out lines", "he|llo world foo", {Key(key::Down), Key(key::Down)}, "hello world fo|o", 5},
    {"Up from the end of a paragraph", "hello world foo|", {Key(key::Up)}, "hello wor|ld foo", 5},
    // Locked: nothing edits, moving and selecting still work.
    {"locked: typing is ignored", "ab|", {Type("c"), Key(key::Return), Key(key::Tab), Key(key::Back)}, "ab|", 80, true},
    {"locked: Delete and word deletes are ignored", "|ab cd", {Key(key::Delete), Ctrl(key::Delete)}, "|ab cd", 80, true},
    {"locked: moving works", "|ab cd", {Key(key::Right), Shift(key::End)}, "a^b cd|", 80, true},
    // Keys that do nothing here.
    {"Alt keys do nothing", "ab|", {Key(key::Left, shift::Alt), KeyEvent{65, shift::Alt, u"a"}}, "ab|"},
    {"F12 does nothing", "ab|", {KeyEvent{key::F12, shift::None, u"x"}}, "ab|"},
    {"Ctrl with a letter types nothing", "ab|", {KeyEvent{key::P, shift::Ctrl, u"p"}}, "ab|"},
    {"control characters are not typed", "ab|", {KeyEvent{key::Escape, shift::None, u"\x1B"}}, "ab|"},
    {"Insert does nothing", "ab|", {Key(key::Insert)}, "ab|"},
};

class Keys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(Keys, ScriptGivesTheExpectedTextAndSelection) {
  const KeyCase& c = GetParam();
  ModelRig rig(c.cols);
  const Marked m = ParseMarked(c.before);
  rig.model.SetText(m.text);
  rig.model.Select(m.anchor, m.caret);
  rig.model.SetLocked(c.locked);
  for (const KeyEvent& k : c.keys) rig.model.KeyDown(k);
  EXPECT_EQ(Render(rig.model), c.after);
}

INSTANTIATE_TEST_SUITE_P(Script, Keys, ::testing::ValuesIn(kKeyCases), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(KeysPaging, PageUpAndPageDownMoveByTheVisibleLines) {
  ModelRig rig(80, 3);
  rig.model.SetText(u"l0\r\nl1\r\nl2\r\nl3\r\nl4\r\nl5\r\nl6");
  rig.model.SetSelStart(1);
  rig.model.KeyDown(Key(key::PageDown));
  EXPECT_EQ(rig.model.LineFromChar(kSelectionPos), 3);
  EXPECT_EQ(rig.model.SelStart(), *rig.model.LineIndex(3) + 1);
  rig.model.KeyDown(Key(key::PageDown));
  rig.model.KeyDown(Key(key::PageDown));
  EXPECT_EQ(rig.model.LineFromChar(kSelectionPos), 6);
  rig.model.KeyDown(Shift(key::PageUp));
  EXPECT_EQ(rig.model.LineFromChar(rig.model.CaretPos()), 3);
  EXPECT_EQ(rig.model.AnchorPos(), *rig.model.LineIndex(6) + 1);
}

struct ClipboardRig : ModelRig {
  ClipboardRig() {
    model.SetClipboard([this] { return clip; }, [this](const String& s) { clip = s; });
  }
  String clip;
};

TEST(KeysClipboard, CopyCutAndPastePlainText) {
  ClipboardRig rig;
  rig.model.SetText(u"hello world");
  rig.model.Select(0, 5);
  rig.model.KeyDown(Ctrl(67));  // Ctrl+C
  EXPECT_EQ(S(rig.clip), "hello");
  EXPECT_EQ(S(rig.model.Text()), "hello world");
  rig.model.Select(5, 11);
  rig.model.KeyDown(Ctrl(key::X));
  EXPECT_EQ(S(rig.clip), " world");
  EXPECT_EQ(S(rig.model.Text()), "hello");
  rig.clip = u"\nnew\rline";
  rig.model.KeyDown(Ctrl(key::V));
  EXPECT_EQ(S(rig.model.Text()), "hello\r\nnew\r\nline");
  EXPECT_EQ(rig.model.SelStart(), rig.model.Length());
}

TEST(KeysClipboard, LockedCopiesButDoesNotCutOrPaste) {
  ClipboardRig rig;
  rig.model.SetText(u"abc");
  rig.model.SetLocked(true);
  rig.model.Select(0, 2);
  rig.model.KeyDown(Ctrl(key::X));
  EXPECT_EQ(S(rig.clip), "");
  rig.model.KeyDown(Ctrl(67));
  EXPECT_EQ(S(rig.clip), "ab");
  rig.model.KeyDown(Ctrl(key::V));
  EXPECT_EQ(S(rig.model.Text()), "abc");
}

// ---- Undo and redo ------------------------------------------------------------------------

// Undo steps made by keys: the text after the keys, then after each Ctrl+Z until none is left
// (and where the caret is then); Ctrl+Y goes back up to the top.
struct UndoCase {
  const char* name;
  const char* before;
  std::vector<KeyEvent> keys;
  std::vector<const char*> texts;
  CharPos caretAtBottom;
};

const UndoCase kUndoCases[] = {
    {"a run of typing and Enter is one step", "x|", {Type("a"), Type("b"), Type("c"), Key(key::Return), Type("d")},
     {"xabc\r\nd", "x"}, 1},
    {"a caret jump starts a new step", "|", {Type("a"), Type("b"), Key(key::Home), Type("c")}, {"cab", "ab", ""}, 0},
    {"Backspace and Delete runs are steps", "abc|def", {Key(key::Back), Key(key::Back), Key(key::Delete), Key(key::Delete)},
     {"af", "adef", "abcdef"}, 3},
    {"typing over a selection is a step of its own", "|xy", {Type("a"), Type("b"), Shift(key::Right), Type("c")},
     {"abcy", "abxy", "xy"}, -1},
};

TEST(Undo, KeysMakeTheseSteps) {
  for (const UndoCase& c : kUndoCases) {
    SCOPED_TRACE(c.name);
    ModelRig rig;
    const Marked m = ParseMarked(c.before);
    rig.model.SetText(m.text);
    rig.model.Select(m.anchor, m.caret);
    for (const KeyEvent& k : c.keys) rig.model.KeyDown(k);
    const CharPos top = rig.model.SelStart();
    EXPECT_EQ(S(rig.model.Text()), c.texts[0]);
    for (std::size_t i = 1; i < c.texts.size(); ++i) {
      rig.model.KeyDown(Ctrl(key::Z));
      EXPECT_EQ(S(rig.model.Text()), c.texts[i]);
    }
    EXPECT_FALSE(rig.model.CanUndo());
    if (c.caretAtBottom >= 0) {
      EXPECT_EQ(rig.model.SelStart(), c.caretAtBottom);
    }
    while (rig.model.CanRedo()) rig.model.KeyDown(Ctrl(key::Y));
    EXPECT_EQ(S(rig.model.Text()), c.texts[0]);
    EXPECT_EQ(rig.model.SelStart(), top);
    // A new edit forgets what could be redone.
    rig.model.Undo();
    rig.model.KeyDown(Type("z"));
    EXPECT_FALSE(rig.model.CanRedo());
  }
}

TEST(Undo, ProgramEditsAndGroups) {
  ModelRig rig;
  rig.model.SetText(u"a-b-c");
  rig.model.BeginUndoGroup();
  for (CharPos at : {1, 3}) {
    rig.model.SetSelStart(at);
    rig.model.SetSelLength(1);
    rig.model.SetSelText(u"+");
  }
  rig.model.EndUndoGroup();
  rig.model.SetSelStart(0);
  rig.model.SetSelText(u">");
  EXPECT_EQ(S(rig.model.Text()), ">a+b+c");
  rig.model.Undo();
  EXPECT_EQ(S(rig.model.Text()), "a+b+c");
  rig.ResetCounts();
  rig.model.Undo();
  EXPECT_EQ(S(rig.model.Text()), "a-b-c");
  EXPECT_EQ(rig.changes, 1);  // one step, one Change
  EXPECT_FALSE(rig.model.CanUndo());
}

TEST(Undo, UndoInsideAGroupLeavesTheGroupWhole) {
  ModelRig rig;
  rig.model.SetText(u"ab");
  rig.model.BeginUndoGroup();
  rig.model.SetSelText(u"x");
  rig.model.Undo();
  rig.model.SetSelText(u"y");
  rig.model.SetSelText(u"z");
  rig.model.EndUndoGroup();
  EXPECT_EQ(S(rig.model.Text()), "yzab");
  rig.model.Undo();
  EXPECT_EQ(S(rig.model.Text()), "ab");
  EXPECT_FALSE(rig.model.CanUndo());
}

TEST(Undo, UndoKeysAreEditsAndHonourLocked) {
  ModelRig rig;
  rig.model.KeyDown(Type("a"));
  rig.model.SetLocked(true);
  rig.model.KeyDown(Ctrl(key::Z));
  EXPECT_EQ(S(rig.model.Text()), "a");
  rig.model.Undo();  // the program still can
  EXPECT_EQ(S(rig.model.Text()), "");
}

// An event that fails half-way is dropped whole: its edits, also inside an unfinished group and
// on top of a typing step, are undone and leave no trace in the history.
TEST(Undo, RollBackToACheckpointDropsTheEditsSince) {
  ModelRig rig;
  rig.model.KeyDown(Type("a"));
  rig.model.KeyDown(Type("b"));
  const TextModel::Checkpoint checkpoint = rig.model.MakeCheckpoint();
  rig.model.SetSelText(u"\r\n");
  rig.model.BeginUndoGroup();
  rig.model.SetSelText(u"x");
  rig.model.SetSelText(u"y");  // the group is never ended: the event failed inside it
  rig.model.RollBack(checkpoint);
  EXPECT_EQ(S(rig.model.Text()), "ab");
  EXPECT_EQ(rig.model.SelStart(), 2);
  rig.model.SetSelText(u"c");  // a group left open would swallow this edit
  rig.model.Undo();
  EXPECT_EQ(S(rig.model.Text()), "ab");
  rig.model.Undo();
  EXPECT_EQ(S(rig.model.Text()), "");
  EXPECT_FALSE(rig.model.CanUndo());
}

// Typing, Backspace and Delete merge into the edit the keys before them made; a checkpoint
// taken inside such a run puts back exactly what stood at it, the file forms of the breaks
// taken since included, and the run goes on as one step.
TEST(Undo, RollBackCutsARunThatMergedAcrossTheCheckpoint) {
  const String text = u"ab\r\ncd\r\nef";
  const BreakRuns forms{{0, BreakForm::LF}, {1, BreakForm::CR}};
  const struct {
    const char* name;
    CharPos caret;
    KeyEvent key;
  } runs[] = {
      {"Backspace", 9, Key(key::Back)},  // e, then the CR break, then d
      {"Delete", 1, Key(key::Delete)},   // b, then the LF break, then c
      {"typing", 10, Type("x")},
  };
  for (const auto& r : runs) {
    ModelRig rig;
    rig.model.LoadText(text, forms);
    rig.model.SetSelStart(r.caret);
    rig.model.KeyDown(r.key);
    const String atCheckpoint = rig.model.Text();
    const BreakRuns formsAtCheckpoint = rig.model.BreakForms();
    const CharPos caret = rig.model.SelStart();
    const TextModel::Checkpoint checkpoint = rig.model.MakeCheckpoint();
    rig.model.KeyDown(r.key);
    rig.model.KeyDown(r.key);
    rig.model.RollBack(checkpoint);
    EXPECT_EQ(rig.model.Text(), atCheckpoint) << r.name;
    EXPECT_EQ(rig.model.BreakForms(), formsAtCheckpoint) << r.name;
    EXPECT_EQ(rig.model.SelStart(), caret) << r.name;

    rig.model.KeyDown(r.key);
    const String after = rig.model.Text();
    EXPECT_NE(after, atCheckpoint) << r.name;
    rig.model.Undo();
    EXPECT_EQ(rig.model.Text(), text) << r.name << ": the run is one step";
    EXPECT_EQ(rig.model.BreakForms(), forms) << r.name;
    EXPECT_FALSE(rig.model.CanUndo()) << r.name;
    rig.model.Redo();
    EXPECT_EQ(rig.model.Text(), after) << r.name;
  }
}

}  // namespace
}  // namespace quilmar::testing
