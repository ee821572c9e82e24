// The main window: its controls' layout and minimum size, menus, status bar, and the Help and
// About windows it owns.
#include <QAccessible>
#include <QAction>
#include <QInputMethodEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <fstream>

#include "twips.hh"
#include "window_fixture.hh"

namespace quilmar {
namespace {

class FrmMainTest : public WindowFixture {
 protected:
  FrmMainTest() { ShowAndStart(); }
  ~FrmMainTest() override { window.windows().CloseAll(); }

  static int Px(double twips) { return TwipsToPixels(twips, LogicalDpiX()); }
  static void DeleteClosedWindows() {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Click(MenuItem item) {
    window.menus().Action(item)->trigger();
    QApplication::processEvents();
  }
  // Document above the command box above the status bar, all of the client's width.
  void ExpectStacked() {
    const QWidget* client = window.centralWidget();
    const QRect doc = window.txtMain()->geometry();
    const QRect cmd = window.txtCmd()->geometry();
    EXPECT_EQ(doc.topLeft(), QPoint(0, 0));
    EXPECT_NEAR(doc.width(), client->width(), 1);
    EXPECT_EQ(cmd.left(), 0);
    EXPECT_EQ(cmd.top(), doc.bottom() + 1);
    EXPECT_NEAR(cmd.width(), client->width(), 1);
    EXPECT_EQ(cmd.bottom(), client->height() - 1);
    EXPECT_NEAR(cmd.height(), Px(285), 1);
    EXPECT_EQ(window.mapTo(&window, client->geometry().bottomLeft()).y() + 1,
              window.statusBar()->geometry().top());
  }
};

TEST_F(FrmMainTest, StartsWithItsInitialSizeCaptionAndIcon) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quilmar"));
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_NEAR(window.width(), Px(7050), 1);
  EXPECT_NEAR(window.height() - window.menuBar()->height(), Px(4800), 1);
  ExpectStacked();
}

TEST_F(FrmMainTest, ResizingKeepsTheStackAndTheMinimumSize) {
  window.resize(900, 700);
  QApplication::processEvents();
  ExpectStacked();

  window.resize(40, 30);
  QApplication::processEvents();
  EXPECT_GE(window.frameGeometry().width(), Px(3000) - 1);
  EXPECT_GE(window.frameGeometry().height(), Px(2000) - 1);
  EXPECT_GE(window.txtMain()->height(), 0);
  ExpectStacked();

  window.resize(600, 400);
  QApplication::processEvents();
  const QRect before = window.txtMain()->geometry();
  window.showMinimized();
  QApplication::processEvents();
  window.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(window.txtMain()->geometry(), before);
  ExpectStacked();
}

// The column where the last ink of a picture's rows within a rectangle is, or -1.
int InkRight(const QImage& image, QRect rect) {
  for (int x = rect.right(); x >= rect.left(); --x)
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      if (qGray(image.pixel(x, y)) < 128) return x;
  return -1;
}

TEST_F(FrmMainTest, StatusPanelsKeepOneRowAndElideWhatDoesNotFit) {
  const int rowHeight = window.statusBar()->height();
  const QString path = QStringLiteral("/home/someone/projects/a folder with a long name/notes.txt");
  const QString texts[] = {QStringLiteral("Pattern not found: a rather long pattern that was typed"),
                           QStringLiteral("Command"), path, QStringLiteral("Ln# 3375426 : Char# 0 "),
                           QStringLiteral("3375427 lines")};
  for (int panel = 1; panel <= 5; ++panel)
    window.statusBarPanels().SetPanelText(panel, texts[panel - 1].toStdU16String());
  const QtStatusBar& bar = window.statusBarPanels();
  const QChar ellipsis(0x2026);
  for (const QSize size : {QSize(1400, 400), window.size(), QSize(330, 300), QSize(40, 30)}) {
    window.resize(size);
    for (int turn = 0; turn < 4; ++turn) QApplication::processEvents();
    SCOPED_TRACE(window.width());
    EXPECT_EQ(window.statusBar()->height(), rowHeight);
    ExpectStacked();
    std::vector<QRect> placed;
    for (int panel = 1; panel <= 5; ++panel) {
      SCOPED_TRACE(panel);
      QLabel* label = bar.Panel(panel);
      const QRect rect(label->mapTo(&window, QPoint(0, 0)), label->size());
      EXPECT_TRUE(window.rect().contains(rect));
      for (const QRect& other : placed) EXPECT_FALSE(rect.intersects(other));
      placed.push_back(rect);
      // The whole text is written, read by assistive technologies and, when cut, the tip.
      const QString& whole = texts[panel - 1];
      EXPECT_EQ(bar.PanelText(panel), whole);
      EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), whole);
      const QString shown = label->text();
      if (shown != whole) {
        EXPECT_EQ(label->toolTip(), whole);
        // The path is cut at its left, so its end (the file's name) shows; the others at their right.
        if (panel == 3) {
          EXPECT_TRUE(shown.startsWith(ellipsis) && whole.endsWith(shown.mid(1)));
        } else {
          EXPECT_TRUE(shown.endsWith(ellipsis) && whole.startsWith(shown.chopped(1)));
        }
      }
      // What is shown is drawn up to its last character: the path (aligned right) from its end.
      const QFontMetrics metrics = label->fontMetrics();
      const QRect content = label->contentsRect();
      const int textLeft = panel == 3 ? content.right() + 1 - metrics.horizontalAdvance(shown) : content.left();
      EXPECT_GE(textLeft, content.left());
      if (shown.trimmed().size() > 1) {
        EXPECT_GE(InkRight(label->grab().toImage(), content), textLeft + metrics.horizontalAdvance(shown.trimmed().chopped(1)));
      }
    }
    if (window.width() >= 1400) {
      for (int panel : {1, 2, 4, 5}) EXPECT_EQ(bar.Panel(panel)->text(), texts[panel - 1]);
    }
    if (window.width() >= Px(7050) - 1) {
      EXPECT_TRUE(bar.Panel(3)->text().endsWith(QStringLiteral("notes.txt")));
      for (int panel : {2, 4, 5}) EXPECT_EQ(bar.Panel(panel)->text(), texts[panel - 1]);
    }
  }
  // At the first width a short message is whole beside the file's name.
  window.resize(Px(7050), window.height());
  QApplication::processEvents();
  window.statusBarPanels().SetPanelText(4, u"Ln# 2 : Char# 4 ");
  window.statusBarPanels().SetPanelText(5, u"3 lines");
  window.statusBarPanels().SetPanelText(1, u"Written");
  EXPECT_EQ(bar.Panel(1)->text(), QStringLiteral("Written"));
  EXPECT_TRUE(bar.Panel(3)->text().endsWith(QStringLiteral("/notes.txt")));
}

TEST_F(FrmMainTest, MenuClicksAndShortcutKeysRunTheEditorsItemsAndShowItsCheckMarks) {
  for (MenuItem item : {MenuItem::mnuWordWrap, MenuItem::mnuFindCase, MenuItem::mnuReplaceCase,
                        MenuItem::mnuStCmdMode})
    EXPECT_TRUE(window.menus().Action(item)->isChecked()) << InfoOf(item).name;
  // A click flips the editor's state once; the check mark shows it.
  Click(MenuItem::mnuWordWrap);
  EXPECT_FALSE(window.menus().Action(MenuItem::mnuWordWrap)->isChecked());
  EXPECT_FALSE(window.app().Checked(MenuItem::mnuWordWrap));
  EXPECT_NE(window.app().Document().RightMargin(), 0);
  Click(MenuItem::mnuWordWrap);
  EXPECT_TRUE(window.menus().Action(MenuItem::mnuWordWrap)->isChecked());
  EXPECT_EQ(window.app().Document().RightMargin(), 0);
  // A shortcut key reaches its item from the focused control, with no help from Qt's own
  // shortcut map: F9 closes the document.
  Press(window.txtMain(), Qt::Key_F9);
  EXPECT_EQ(window.statusBarPanels().PanelText(2), QString());
}

TEST_F(FrmMainTest, HelpShowsTheFileAsItIsNowOnceAtATime) {
  // Without its file the window opens empty.
  Click(MenuItem::mnuHelpReference);
  ASSERT_NE(window.windows().Help(), nullptr);
  EXPECT_EQ(window.windows().Help()->txtHelp()->toPlainText(), QString());
  window.windows().Help()->close();
  DeleteClosedWindows();

  const String help = u"/opt/quilmar/quilmar_help.txt";
  fs.AddFile(help, "First line\r\nSecond line \xc3\xbc\r\n");
  Click(MenuItem::mnuHelpReference);
  FrmHelp* first = window.windows().Help();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->windowTitle(), QStringLiteral("Help"));
  EXPECT_EQ(first->txtHelp()->toPlainText(), QString::fromUtf8("First line\nSecond line \xc3\xbc\n"));
  EXPECT_TRUE(first->txtHelp()->isReadOnly());
  EXPECT_EQ(first->txtHelp()->palette().color(QPalette::Base), QColor(255, 255, 192));
  EXPECT_EQ(first->parentWidget(), &window);
  EXPECT_NEAR(first->width(), Px(6705), 1);
  EXPECT_NEAR(first->height(), Px(3195), 1);
  EXPECT_EQ(first->txtHelp()->geometry(), first->rect());  // filling the window

  // A second click raises the same window, even though the file changed meanwhile.
  fs.AddFile(help, "Changed");
  Click(MenuItem::mnuHelpReference);
  EXPECT_EQ(window.windows().Help(), first);
  EXPECT_EQ(first->txtHelp()->toPlainText(), QString::fromUtf8("First line\nSecond line \xc3\xbc\n"));

  // Closed and opened again: read afresh.
  first->close();
  DeleteClosedWindows();
  Click(MenuItem::mnuHelpReference);
  ASSERT_NE(window.windows().Help(), nullptr);
  EXPECT_EQ(window.windows().Help()->txtHelp()->toPlainText(), QStringLiteral("Changed"));

  // Not UTF-8: read as Latin-1.
  window.windows().Help()->close();
  fs.AddFile(help, "caf\xe9");
  Click(MenuItem::mnuHelpReference);
  EXPECT_EQ(window.windows().Help()->txtHelp()->toPlainText(), QString::fromUtf8("caf\xc3\xa9"));
}

// The help file as installed: every line fits the box at the window's first size, so nothing
// wraps and nobody scrolls sideways; Escape closes the window.
TEST_F(FrmMainTest, TheHelpTextFitsItsWindowAndEscapeClosesIt) {
  std::ifstream file(QUILMAR_BIN_DIR "/quilmar_help.txt", std::ios::binary);
  fs.AddFile(u"/opt/quilmar/quilmar_help.txt", std::string(std::istreambuf_iterator<char>(file), {}));
  Click(MenuItem::mnuHelpReference);
  QPointer<FrmHelp> help = window.windows().Help();
  ASSERT_NE(help, nullptr);
  const QPlainTextEdit* box = help->txtHelp();
  const QStringList lines = box->toPlainText().split(u'\n');
  ASSERT_GT(lines.size(), 100);
  const QFontMetricsF metrics(box->font());
  const qreal room = box->viewport()->width() - 2 * box->document()->documentMargin() - box->cursorWidth();
  for (const QString& line : lines) EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
  EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);

  Press(help->txtHelp(), Qt::Key_Escape);
  DeleteClosedWindows();
  EXPECT_EQ(help, nullptr);
}

TEST_F(FrmMainTest, AboutShowsTheCreditsOnceAndGoesAwayWhenClosed) {
  Click(MenuItem::mnuAbout);
  QPointer<FrmAbout> about = window.windows().About();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->lblAboutTxt()->text(),
            QStringLiteral("Written by, Quilmar developers, 2026\n\nEmail: quilmar@example.org\n"
                           "Visit: https://quilmar.example.org"));
  EXPECT_EQ(about->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Quilmar"));
  EXPECT_EQ(about->findChild<QLabel*>("lblVer")->text(), QStringLiteral("Ver. 0.3a beta"));
  EXPECT_FALSE(about->findChild<QLabel*>("Image1")->pixmap().isNull());
  EXPECT_EQ(about->size(), TwipsSizeToPixels(4785, 2340));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());

  Click(MenuItem::mnuAbout);
  EXPECT_EQ(window.windows().About(), about.data());
  EXPECT_EQ(window.findChildren<FrmAbout*>().size(), 1);

  about->close();
  DeleteClosedWindows();
  EXPECT_TRUE(about.isNull());
  Click(MenuItem::mnuAbout);
  ASSERT_NE(window.windows().About(), nullptr);
  EXPECT_TRUE(window.windows().About()->isVisible());
}

TEST_F(FrmMainTest, KeysAndInputMethodCommitsReachTheEditorThroughTheWidgets) {
  auto commit = [](QWidget* to, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(to, &event);
  };
  // Command mode: ":" opens the command box; what is typed there goes into it.
  Press(window.txtMain(), Qt::Key_Colon, Qt::ShiftModifier, ":");
  EXPECT_EQ(window.focus().Focused(), Control::txtCmd);
  Press(window.txtCmd(), Qt::Key_W, Qt::NoModifier, "w");
  commit(window.txtCmd(), QString::fromUtf8("\xc3\xa9"));
  EXPECT_EQ(window.app().CommandBox().Text(), u":w\u00e9");
  Press(window.txtCmd(), Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(window.app().CommandBox().Text(), u":w");
  Press(window.txtCmd(), Qt::Key_Escape, Qt::NoModifier, "\x1b");
  EXPECT_EQ(window.focus().Focused(), Control::txtMain);
  EXPECT_EQ(window.statusBarPanels().PanelText(2), QString());

  // Locked, the document ignores a commit; in Insert mode it takes it as typed text.
  commit(window.txtMain(), QStringLiteral("no"));
  EXPECT_EQ(window.app().Document().Text(), u"");
  Press(window.txtMain(), Qt::Key_I, Qt::NoModifier, "i");
  EXPECT_EQ(window.statusBarPanels().PanelText(2), QStringLiteral("Insert"));
  commit(window.txtMain(), QString::fromUtf8("\xe4\xbd\xa0"));
  Press(window.txtMain(), Qt::Key_Exclam, Qt::ShiftModifier, "!");
  EXPECT_EQ(window.app().Document().Text(), u"\u4f60!");
  QApplication::processEvents();
  EXPECT_EQ(window.statusBarPanels().PanelText(4), QStringLiteral("Ln# 0 : Char# 2 "));
}

// The command box is drawn from its core layout: ink lies in the columns of each character
// but the space, a click a quarter into a character puts the caret before it, and a
// double-click selects the word there by the editor's word rule.
TEST_F(FrmMainTest, TheCommandBoxDrawsItsTextWhereItsClicksLand) {
  Press(window.txtMain(), Qt::Key_Colon, Qt::ShiftModifier, ":");
  QInputMethodEvent typed;
  typed.setCommitString(QStringLiteral("w ab_c"));
  QApplication::sendEvent(window.txtCmd(), &typed);
  ASSERT_EQ(window.app().CommandBox().Text(), u":w ab_c");
  CommandBoxView* box = window.txtCmd();
  const QImage image = box->grab().toImage();
  // A column of the space (frame and background alone) against the columns of a character.
  const int blank = static_cast<int>(box->CharacterRect(2).center().x());
  auto inked = [&](const QRectF& r) {
    for (int x = static_cast<int>(std::ceil(r.left())); x < r.right(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) != image.pixelColor(blank, y)) return true;
    return false;
  };
  for (std::int32_t i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    const QRectF r = box->CharacterRect(i);
    EXPECT_GT(r.width(), 0);
    EXPECT_EQ(inked(r), i != 2);
    EXPECT_EQ(box->PosAt(QPoint(static_cast<int>(r.left() + r.width() / 4), static_cast<int>(r.center().y()))), i);
  }
  const QPointF inWord = box->CharacterRect(4).center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
    QMouseEvent event(type, inWord, box->mapToGlobal(inWord), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &event);
  }
  EXPECT_EQ(window.app().CommandBox().SelText(), u"ab_c");
}

}  // namespace
}  // namespace quilmar
