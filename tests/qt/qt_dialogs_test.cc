// The common dialogs as the editor's dialog state says. The file dialogs: its filter and start
// folder, and a cancel as CancelError wants it. The font dialog offers what the document applies
// (family, style, size) and nothing else, opens on the current font, lists the screen's fonts
// when the state's flags ask for them, and answers the choice, or nothing when cancelled.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <QTimer>
#include <gtest/gtest.h>

#include "font_dialog.hh"
#include "qt_dialogs.hh"

namespace quilmar {
namespace {

template <typename W>
W* Child(const QWidget* dialog, const char* name) {
  return dialog->findChild<W*>(QString::fromLatin1(name));
}

// Does `act` to the modal dialog of type D once it is open.
template <typename D>
void WhenOpen(const std::function<void(D&)>& act) {
  QTimer::singleShot(0, [act] {
    QWidget* open = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<D*>(open)) return act(*dialog);
    ADD_FAILURE() << "the dialog is not open";
    if (open) open->close();
  });
}

// Runs the font dialog through the port.
std::optional<FontSpec> Show(const FontSpec& current, const std::function<void(FontDialog&)>& act,
                             int flags = kFontDialogScreenFonts) {
  QtDialogs dialogs(nullptr);
  WhenOpen(act);
  CommonDialogState state;
  state.font = current;
  state.Flags = flags;
  return dialogs.ShowFont(state);
}

TEST(FileDialogs, ShowTheStatesFilterAndFolderAndCancelAsItSays) {
  CommonDialogState state;
  state.Filter = u"Text (*.txt)";
  state.InitDir = QDir::tempPath().toStdU16String();
  state.CancelError = true;
  QtDialogs dialogs(nullptr);
  WhenOpen<QFileDialog>([](QFileDialog& dialog) {
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Text (*.txt)")});
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
    dialog.reject();
  });
  EXPECT_EQ(dialogs.ShowOpen(state), std::nullopt);
  state.CancelError = false;
  WhenOpen<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(dialogs.ShowSave(state), String()) << "without CancelError a cancel is an empty name";
}

TEST(FontDialog, OffersFamilyStyleAndSizeAndAnswersTheChoice) {
  const FontSpec current{u"Quilmar No Such Family", true, false, 14.5};
  const auto ok = [](FontDialog& dialog) {
    EXPECT_TRUE(dialog.findChildren<QCheckBox*>().isEmpty()) << "no underline or strikeout";
    dialog.accept();
  };
  EXPECT_EQ(Show(current, ok), current) << "opens on the current font, even one the system lacks";

  const auto choose = [](FontDialog& dialog) {
    auto* families = Child<QListWidget>(&dialog, "lstFamily");
    families->setCurrentRow(families->currentRow() == 0 ? 1 : 0);
    Child<QListWidget>(&dialog, "lstStyle")->setCurrentRow(1);  // Italic
    auto* size = Child<QLineEdit>(&dialog, "txtSize");
    size->setText(QString());
    EXPECT_FALSE(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled()) << "no size, no OK";
    Child<QListWidget>(&dialog, "lstSize")->setCurrentRow(0);
    EXPECT_EQ(size->text(), Child<QListWidget>(&dialog, "lstSize")->item(0)->text());
    EXPECT_EQ(dialog.Chosen().name, families->currentItem()->text().toStdU16String());
    dialog.accept();
  };
  const std::optional<FontSpec> chosen = Show(current, choose);
  ASSERT_TRUE(chosen);
  EXPECT_NE(chosen->name, current.name);
  EXPECT_FALSE(chosen->bold);
  EXPECT_TRUE(chosen->italic);
  EXPECT_NE(chosen->size, current.size);

  EXPECT_EQ(Show(current, [](FontDialog& dialog) { dialog.reject(); }), std::nullopt);

  const auto onlyCurrent = [](FontDialog& dialog) {
    EXPECT_EQ(Child<QListWidget>(&dialog, "lstFamily")->count(), 1) << "no screen fonts asked for";
    dialog.accept();
  };
  EXPECT_EQ(Show(current, onlyCurrent, 0), current);
}

}  // namespace
}  // namespace quilmar
