#include "qt_menus.hh"

#include <QMenu>
#include <QSignalBlocker>

#include "key_translation.hh"

namespace quilmar {
namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QKeySequence ToKeySequence(const Shortcut& shortcut) {
  int key = shortcut.code >= key::F1 && shortcut.code <= key::F12
                ? Qt::Key_F1 + (shortcut.code - key::F1)
                : static_cast<int>(QtKeyForCode(shortcut.code));
  if (shortcut.shift & shift::Shift) key |= Qt::SHIFT;
  if (shortcut.shift & shift::Ctrl) key |= Qt::CTRL;
  if (shortcut.shift & shift::Alt) key |= Qt::ALT;
  return QKeySequence(key);
}

QtMenus::QtMenus(QMenuBar* bar, QWidget* window) {
  std::array<QMenu*, kMenus.size()> menus{};
  for (const MenuInfo& info : kMenus) {
    QMenu* menu = bar->addMenu(Latin1(info.caption));
    menu->setObjectName(Latin1(info.name));
    menus[static_cast<std::size_t>(info.menu)] = menu;
  }
  for (const MenuItemInfo& info : kMenuItems) {
    // The editor itself maps a shortcut key to its item, in every mode and from either
    // control. The action carries the key only for the menu to show it and for assistive
    // technologies to read it as the item's key binding: as a shortcut of the menu's own
    // widget, it is live only while that menu has the focus.
    auto* action = new QAction(Latin1(info.caption), window);
    if (info.shortcut) {
      action->setShortcut(ToKeySequence(*info.shortcut));
      action->setShortcutContext(Qt::WidgetShortcut);
    }
    action->setObjectName(Latin1(info.name));
    action->setCheckable(info.checkable);
    const MenuItem item = info.item;
    QObject::connect(action, &QAction::triggered, action, [this, action, item] {
      // Qt flips a checkable action by itself; the editor decides, so undo that first.
      if (action->isCheckable()) {
        const QSignalBlocker block(action);
        action->setChecked(!action->isChecked());
      }
      if (onClick) onClick(item);
    });
    menus[static_cast<std::size_t>(info.menu)]->addAction(action);
    actions_[static_cast<std::size_t>(item)] = action;
  }
}

void QtMenus::SetChecked(MenuItem item, bool checked) {
  QAction* action = Action(item);
  const QSignalBlocker block(action);
  action->setChecked(checked);
}

}  // namespace quilmar
