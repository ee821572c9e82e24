// What an assistive technology reads of the window through QAccessible, in-process: the
// document's text, caret, selection, lines and character rectangles, the edits and caret
// moves it is told of, and editing in Insert mode only. The names of the controls, panels and
// menu items are read on the real accessibility bus (tests/scripts/screen_reader.sh).
#include <QAccessible>

#include "text_accessible.hh"
#include "window_fixture.hh"

namespace quilmar {
namespace {

// The events QAccessible was given, as an assistive technology would receive them.
struct Heard {
  QAccessible::Event type;
  int position;  // the change's position, the caret, or a selection's start
  int end;       // a selection's end
  QString text;
};
std::vector<Heard> heard;

void Listen(QAccessibleEvent* event) {
  switch (event->type()) {
    case QAccessible::TextInserted: {
      auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
      heard.push_back({e->type(), e->changePosition(), 0, e->textInserted()});
      break;
    }
    case QAccessible::TextRemoved: {
      auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
      heard.push_back({e->type(), e->changePosition(), 0, e->textRemoved()});
      break;
    }
    case QAccessible::TextCaretMoved: {
      auto* e = static_cast<QAccessibleTextCursorEvent*>(event);
      heard.push_back({e->type(), e->cursorPosition(), 0, {}});
      break;
    }
    case QAccessible::TextSelectionChanged: {
      auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
      heard.push_back({e->type(), e->selectionStart(), e->selectionEnd(), {}});
      break;
    }
    default: break;
  }
}

class AccessibilityTest : public WindowFixture {
 protected:
  AccessibilityTest() {
    ListenForAccessibility(Listen);
    ShowAndStart();
    Load("first line\r\nsecond line\r\nthird");
    document = QAccessible::queryAccessibleInterface(window.txtMain());
    heard.clear();
  }
  ~AccessibilityTest() override { ListenForAccessibility(nullptr); }

  // Opens a file holding this text, as File Open does.
  void Load(const std::string& text) {
    const String path = u"/documents/doc" + Decimal(++files) + u".txt";
    fs.AddFile(path, text);
    dialogs.QueueFile(path);
    window.Dispatch(MenuClickEvent{MenuItem::mnuOpen});
    QApplication::processEvents();
  }
  QAccessibleTextInterface* Text() const { return document->textInterface(); }
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    WindowFixture::Press(window.txtMain(), key, modifiers, text);
  }
  // What textAtOffset (or before, after) says, with its range.
  struct Unit {
    QString text;
    int start, end;
  };
  static const Heard* Find(QAccessible::Event type) {
    for (const Heard& h : heard)
      if (h.type == type) return &h;
    return nullptr;
  }
  Unit At(int offset, QAccessible::TextBoundaryType type) const {
    Unit u;
    u.text = Text()->textAtOffset(offset, type, &u.start, &u.end);
    return u;
  }

  int files = 0;
  QAccessibleInterface* document = nullptr;
};

TEST_F(AccessibilityTest, TextLinesAndUnitsAroundAnOffset) {
  ASSERT_NE(Text(), nullptr);
  EXPECT_EQ(Text()->characterCount(), 30);
  EXPECT_EQ(Text()->text(12, 18), QStringLiteral("second"));
  struct Case {
    int offset;
    QAccessible::TextBoundaryType type;
    const char* text;
    int start, end;
  };
  const Case cases[] = {
      {14, QAccessible::LineBoundary, "second line\r\n", 12, 25},
      {0, QAccessible::LineBoundary, "first line\r\n", 0, 12},
      {27, QAccessible::LineBoundary, "third", 25, 30},
      {14, QAccessible::WordBoundary, "second", 12, 18},
      {14, QAccessible::CharBoundary, "c", 14, 15},
      {14, QAccessible::ParagraphBoundary, "second line\r\n", 12, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Unit u = At(c.offset, c.type);
    EXPECT_EQ(u.text, QString::fromLatin1(c.text));
    EXPECT_EQ(u.start, c.start);
    EXPECT_EQ(u.end, c.end);
  }
  int start = 0, end = 0;
  EXPECT_EQ(Text()->textBeforeOffset(14, QAccessible::LineBoundary, &start, &end), QStringLiteral("first line\r\n"));
  EXPECT_EQ(Text()->textAfterOffset(14, QAccessible::LineBoundary, &start, &end), QStringLiteral("third"));
  EXPECT_EQ(start, 25);
  EXPECT_EQ(Text()->textAfterOffset(27, QAccessible::LineBoundary, &start, &end), QString());
}

TEST_F(AccessibilityTest, CaretAndSelectionFollowTheKeysAndAreAnnounced) {
  Press(Qt::Key_Down);
  Press(Qt::Key_End);
  EXPECT_EQ(Text()->cursorPosition(), 23);
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back().type, QAccessible::TextCaretMoved);
  EXPECT_EQ(heard.back().position, 23);

  Press(Qt::Key_Left, Qt::ShiftModifier);
  Press(Qt::Key_Left, Qt::ShiftModifier);
  ASSERT_EQ(Text()->selectionCount(), 1);
  int start = 0, end = 0;
  Text()->selection(0, &start, &end);
  EXPECT_EQ(start, 21);
  EXPECT_EQ(end, 23);
  EXPECT_EQ(Text()->cursorPosition(), 21);
  EXPECT_EQ(heard.back().type, QAccessible::TextSelectionChanged);
  EXPECT_EQ(heard.back().position, 21);
  EXPECT_EQ(heard.back().end, 23);

  // An assistive technology may move the caret and select, as the mouse does.
  Text()->setSelection(0, 0, 5);
  EXPECT_EQ(window.app().Document().SelText(), u"first");
  Text()->setCursorPosition(12);
  EXPECT_EQ(window.app().Document().SelStart(), 12);
  EXPECT_EQ(Text()->selectionCount(), 0);
  // The position panel follows, as after any caret move of the editor's.
  EXPECT_EQ(window.statusBarPanels().PanelText(4), QStringLiteral("Ln# 1 : Char# 0 "));
}

TEST_F(AccessibilityTest, EditingOnlyInInsertModeAndEditsAreAnnounced) {
  // Command mode: the document is read-only to an assistive technology as to the keyboard.
  EXPECT_EQ(document->editableTextInterface(), nullptr);
  EXPECT_TRUE(document->state().readOnly);

  Press(Qt::Key_I, Qt::NoModifier, "i");
  QAccessibleEditableTextInterface* editable = document->editableTextInterface();
  ASSERT_NE(editable, nullptr);
  EXPECT_TRUE(document->state().editable);
  heard.clear();
  editable->insertText(6, QStringLiteral("new "));
  EXPECT_EQ(window.app().Document().Slice(0, 16), u"first new line\r\n");
  const Heard* inserted = Find(QAccessible::TextInserted);
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(inserted->position, 6);
  EXPECT_EQ(inserted->text, QStringLiteral("new "));
  EXPECT_TRUE(window.app().Files().TextChanged());

  heard.clear();
  editable->deleteText(0, 6);
  EXPECT_EQ(window.app().Document().Slice(0, 10), u"new line\r\n");
  const Heard* removed = Find(QAccessible::TextRemoved);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->position, 0);
  EXPECT_EQ(removed->text, QStringLiteral("first "));

  // Back in Command mode an edit it still holds on to is refused by the lock.
  Press(Qt::Key_Escape, Qt::NoModifier, "\x1b");
  editable->insertText(0, QStringLiteral("no"));
  EXPECT_EQ(window.app().Document().Slice(0, 3), u"new");
}

// The rectangles are the view's own (whose ink the painted-geometry tests check), in screen
// coordinates: they follow each other along the line from its left edge, and a point near
// either edge of one finds its character.
TEST_F(AccessibilityTest, CharacterRectanglesAreTheViewsOnTheScreen) {
  Load("iiii WWWW\r\n");
  const QPoint origin = window.txtMain()->viewport()->mapToGlobal(QPoint(0, 0));
  QRect previous;
  for (int offset = 0; offset < 9; ++offset) {
    SCOPED_TRACE(offset);
    const QRect global = Text()->characterRect(offset);
    const QRect rect = global.translated(-origin);
    EXPECT_EQ(rect.top(), 0);
    EXPECT_EQ(rect.height(), window.txtMain()->LineHeight());
    EXPECT_NEAR(rect.left(), offset == 0 ? DocumentView::kPadding : previous.right() + 1, 1);
    EXPECT_EQ(Text()->offsetAtPoint(QPoint(global.left() + 1, global.center().y())), offset);
    EXPECT_EQ(Text()->offsetAtPoint(QPoint(global.right() - 1, global.center().y())), offset);
    previous = rect;
  }
}

}  // namespace
}  // namespace quilmar
