// The document view paints the model's laid-out lines, caret, selection and tab stops, and
// turns mouse drags into selections.
#include <QScrollBar>

#include "view_fixture.hh"

namespace quilmar {
namespace {

class DocumentViewTest : public ViewFixture {
 protected:
  DocumentViewTest() : ViewFixture(10, QSize(320, 160)) {}

  // Pixels of this colour in a rectangle of the viewport.
  static int Count(const QImage& image, QRect rect, QColor colour) {
    int n = 0;
    rect = rect.intersected(image.rect());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x)
        if (image.pixelColor(x, y) == colour) ++n;
    return n;
  }
  // Pixels that are clearly ink (darker than the background) in a rectangle.
  static int Ink(const QImage& image, QRect rect) {
    int n = 0;
    rect = rect.intersected(image.rect());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      for (int x = rect.left(); x <= rect.right(); ++x)
        if (qGray(image.pixel(x, y)) < 128) ++n;
    return n;
  }
  QRect Row(int row, double fromX, double toX) const {
    const int h = measure.LineHeight();
    return QRect(QPoint(DocumentView::kPadding + static_cast<int>(fromX), row * h),
                 QPoint(DocumentView::kPadding + static_cast<int>(toX) - 1, (row + 1) * h - 1));
  }
  double Adv() const { return measure.PlainAdvance(U'M'); }
  QPoint PointAt(int row, int column) const {
    return QPoint(DocumentView::kPadding + static_cast<int>((column + 0.3) * Adv()),
                  row * measure.LineHeight() + measure.LineHeight() / 2);
  }
};

TEST_F(DocumentViewTest, PaintsTextLineByLineAndTheCaret) {
  model.SetText(u"MMMM\r\nMM\r\n\r\nM");
  model.SetLocked(true);  // Command mode shows the caret too
  model.SetSelStart(10);  // the empty third line
  const QImage image = Paint();
  EXPECT_GT(Ink(image, Row(0, 0, 4 * Adv())), 20);
  EXPECT_EQ(Ink(image, Row(0, 4 * Adv() + 1, 200)), 0);
  EXPECT_GT(Ink(image, Row(1, 0, 2 * Adv())), 10);
  EXPECT_EQ(Ink(image, Row(1, 2 * Adv() + 1, 200)), 0);
  // The caret: a bar the height of the empty line at its start, and nothing else there.
  const int h = measure.LineHeight();
  const QColor text = view.palette().color(QPalette::Text);
  EXPECT_EQ(Count(image, QRect(DocumentView::kPadding, 2 * h, 1, h), text), h);
  EXPECT_EQ(Ink(image, Row(2, 3, 200)), 0);
  EXPECT_GT(Ink(image, Row(3, 0, Adv())), 5);
}

TEST_F(DocumentViewTest, TabsJumpToTheModelsStops) {
  model.SetText(u"\tM\r\nMMMM\tM");
  model.SetSelStart(model.Length());
  const double firstStop = model.NextTabStop(0);
  ASSERT_GT(firstStop, 3 * Adv());
  QImage image = Paint();
  EXPECT_EQ(Ink(image, Row(0, 1, firstStop - 1)), 0);
  EXPECT_GT(Ink(image, Row(0, firstStop, firstStop + Adv())), 5);
  const double second = model.NextTabStop(4 * Adv());
  EXPECT_EQ(Ink(image, Row(1, 4 * Adv() + 1, second - 1)), 0);
  EXPECT_GT(Ink(image, Row(1, second, second + Adv())), 5);

  // Custom stops every 3 cells: the first tab now ends at 3 cells.
  model.SetSelTabCount(32);
  for (int i = 0; i < 32; ++i) model.SetSelTabs(i, i * 3.0);
  const double custom = model.NextTabStop(0);
  EXPECT_NEAR(custom, 3 * measure.CellWidth(), 0.01);
  image = Paint();
  EXPECT_EQ(Ink(image, Row(0, 1, custom - 1)), 0);
  EXPECT_GT(Ink(image, Row(0, custom, custom + Adv())), 5);
}

TEST_F(DocumentViewTest, LongLinesWrapAtTheViewsWidthOrRunOn) {
  model.SetText(String(100, u'M'));
  EXPECT_GT(model.GetLineCount(), 2);
  QImage image = Paint();
  EXPECT_GT(Ink(image, Row(1, 0, 4 * Adv())), 10);  // the wrapped part on the next row
  model.SetRightMargin(10000);
  EXPECT_EQ(model.GetLineCount(), 1);
  image = Paint();
  EXPECT_EQ(Ink(image, Row(1, 0, 200)), 0);
  QApplication::processEvents();
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
  // A new text (File Close empties the document) has no wide line left to scroll to.
  model.SetText(u"");
  Paint();
  QApplication::processEvents();
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

TEST_F(DocumentViewTest, NarrowingTheViewRewrapsWhenTheMarginIsZero) {
  model.SetText(String(30, u'M'));
  EXPECT_EQ(model.GetLineCount(), 1);
  view.resize(160, 160);
  QApplication::processEvents();
  EXPECT_GT(model.GetLineCount(), 1);
}

TEST_F(DocumentViewTest, AFontChangeRestylesAndRewrapsEverything) {
  model.SetText(String(30, u'M') + u"\r\nMM");
  const LineNo before = model.GetLineCount();
  const int rowsBefore = measure.VisibleLines();
  const int heightBefore = measure.LineHeight();
  FontSpec big;
  big.name = u"DejaVu Sans Mono";
  big.size = 20;
  model.SetFont(big);
  EXPECT_GT(measure.LineHeight(), heightBefore);
  EXPECT_LT(measure.VisibleLines(), rowsBefore);
  EXPECT_GT(model.GetLineCount(), before);
  // The second paragraph now starts lower down, in the bigger font's rows.
  model.SetSelStart(model.Length());
  const QImage image = Paint();
  const LineNo last = model.GetLineCount() - 1;
  EXPECT_GT(Ink(image, QRect(DocumentView::kPadding, last.value() * measure.LineHeight(),
                             static_cast<int>(2 * measure.PlainAdvance(U'M')), measure.LineHeight())),
            20);
}

TEST_F(DocumentViewTest, ScrollsToKeepTheCaretInView) {
  String text;
  for (int i = 0; i < 200; ++i) text += u"line\r\n";
  model.SetText(text);
  model.SetSelStart(150 * 6);
  view.Sync();
  const LineNo first = view.FirstVisibleLine();
  EXPECT_LE(first, 150);
  EXPECT_GT(first + measure.VisibleLines(), 150);
  model.SetSelStart(0);
  view.Sync();
  EXPECT_EQ(view.FirstVisibleLine(), 0);
}

TEST_F(DocumentViewTest, DragSelectsFromPressToReleaseAndReportsTheRelease) {
  model.SetText(u"MMMMMM\r\nMMMMMM\r\nMMMMMM");
  Mouse(QEvent::MouseButtonPress, PointAt(0, 1), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, PointAt(1, 2), Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, PointAt(2, 3), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(model.AnchorPos(), 1);
  EXPECT_EQ(model.CaretPos(), 16 + 3);
  Mouse(QEvent::MouseButtonRelease, PointAt(2, 3), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(model.SelStart(), 1);
  EXPECT_EQ(model.SelLength(), 18);
  ASSERT_EQ(host.mouseUps.size(), 1u);
  EXPECT_EQ(host.mouseUps[0], mouse::Left);

  // Dragging backwards selects the same way round; the right button only reports its release.
  Drag(PointAt(1, 4), PointAt(0, 2));
  EXPECT_EQ(model.SelStart(), 2);
  EXPECT_EQ(model.SelLength(), 10);
  Mouse(QEvent::MouseButtonPress, PointAt(2, 0), Qt::RightButton, Qt::RightButton);
  Mouse(QEvent::MouseButtonRelease, PointAt(2, 0), Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(model.SelStart(), 2);
  EXPECT_EQ(host.mouseUps, (std::vector<int>{mouse::Left, mouse::Left, mouse::Right}));
}

TEST_F(DocumentViewTest, DraggingPastTheBottomScrollsOnItsOwn) {
  String text;
  for (int i = 0; i < 100; ++i) text += u"line\r\n";
  model.SetText(text);
  model.SetSelStart(0);
  view.Sync();
  Mouse(QEvent::MouseButtonPress, PointAt(0, 0), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, QPoint(10, view.viewport()->height() + 20), Qt::NoButton, Qt::LeftButton);
  for (int i = 0; i < 40 && view.FirstVisibleLine() < 3; ++i) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  EXPECT_GE(view.FirstVisibleLine(), 3);
  EXPECT_GT(model.CaretPos(), 6 * measure.VisibleLines());
  Mouse(QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
}

TEST_F(DocumentViewTest, DoubleClickSelectsAWord) {
  model.SetText(u"hello world_2 end");
  const QPoint inWorld = PointAt(0, 8);
  Drag(inWorld, inWorld);
  Mouse(QEvent::MouseButtonDblClick, inWorld, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, inWorld, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(model.SelStart(), 6);
  EXPECT_EQ(model.SelText(), u"world_2");
}

TEST_F(DocumentViewTest, InputMethodOnlyWhileUnlockedAndCommitsGoToTheHost) {
  model.SetLocked(false);
  view.Sync();
  EXPECT_TRUE(view.testAttribute(Qt::WA_InputMethodEnabled));
  model.SetLocked(true);
  view.Sync();
  EXPECT_FALSE(view.testAttribute(Qt::WA_InputMethodEnabled));

  QInputMethodEvent preedit(QStringLiteral("ni"), {});
  QApplication::sendEvent(&view, &preedit);
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("\xe4\xbd\xa0"));
  QApplication::sendEvent(&view, &commit);
  ASSERT_EQ(host.commits.size(), 1u);
  EXPECT_EQ(host.commits[0], u"\u4f60");
}

}  // namespace
}  // namespace quilmar
