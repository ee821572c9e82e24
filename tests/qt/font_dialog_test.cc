// The font dialog offers what the document applies (family, style, size) and nothing else, opens
// on the current font and answers the choice, or nothing when cancelled.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
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

// Runs the dialog through the port, doing `act` to it once it is open.
std::optional<FontSpec> Show(const FontSpec& current, const std::function<void(FontDialog&)>& act) {
  QtDialogs dialogs(nullptr);
  QTimer::singleShot(0, [&] {
    QWidget* open = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<FontDialog*>(open)) return act(*dialog);
    ADD_FAILURE() << "the font dialog is not open";
    if (open) open->close();
  });
  return dialogs.ShowFont(current);
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
}

}  // namespace
}  // namespace quilmar
