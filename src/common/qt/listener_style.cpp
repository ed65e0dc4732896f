#include "common/qt/listener_style.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>

#include <algorithm>

namespace scandeck {

namespace {

class ListenerStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_Menu_AllowActiveAndDisabled) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

// Qt 6.4 puts a checkable menu entry on the bus as a plain menu item without the
// "checkable" state, so Orca says nothing when it is unchecked. As a check box it
// is spoken with its state either way. Qt's own menu finds only entries of the
// menu-item role among its children (Orca drops any other as gone), so menus and
// all their entries come through here; every entry, because an interface is kept
// for the life of its action and an entry may become checkable after it was first
// asked about.
class MenuEntry : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  MenuEntry(QMenu* menu, QAction* action) : menu_(menu), action_(action) {}

  bool isValid() const override { return menu_ && action_; }
  QObject* object() const override { return action_; }
  QWindow* window() const override { return menu_ ? menu_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu_); }
  // A submenu's entry holds the submenu.
  QAccessibleInterface* child(int i) const override {
    return i == 0 && childCount() ? QAccessible::queryAccessibleInterface(action_->menu()) : nullptr;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return action_ && action_->menu() ? 1 : 0; }
  int indexOfChild(const QAccessibleInterface* c) const override { return c && c == child(0) ? 0 : -1; }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override {
    if (action_ && action_->isSeparator()) return QAccessible::Separator;
    return action_ && action_->isCheckable() ? QAccessible::CheckBox : QAccessible::MenuItem;
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = menu_->actionGeometry(action_);
    return {menu_->mapToGlobal(r.topLeft()), r.size()};
  }
  // The caption without its mnemonic marks ("&&" is a literal "&"), as Qt names a
  // menu entry; the accelerator is the shortcut, or Alt with the marked letter.
  QString text(QAccessible::Text t) const override {
    if (!action_ || (t != QAccessible::Name && t != QAccessible::Accelerator)) return {};
    if (t == QAccessible::Accelerator && !action_->shortcut().isEmpty())
      return action_->shortcut().toString(QKeySequence::NativeText);
    const QString caption = action_->text();
    QString name;
    QChar marked;
    for (qsizetype i = 0; i < caption.size(); ++i) {
      if (caption[i] == u'&' && i + 1 < caption.size()) {
        ++i;
        if (caption[i] != u'&' && marked.isNull()) marked = caption[i];
      }
      name += caption[i];
    }
    if (t == QAccessible::Name) return name;
    if (marked.isNull()) return {};
    return QKeySequence(QKeyCombination(Qt::ALT, Qt::Key(marked.toUpper().unicode()))).toString(QKeySequence::NativeText);
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) return s;
    s.invisible = !menu_->isVisible() || !action_->isVisible();
    s.focusable = true;
    s.focused = menu_->activeAction() == action_;
    s.disabled = !action_->isEnabled();
    s.checkable = action_->isCheckable();
    s.checked = action_->isChecked();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override {
    if (!action_ || action_->isSeparator()) return {};
    return {action_->menu() ? showMenuAction() : pressAction()};
  }
  // An unavailable entry does nothing, as with the mouse.
  void doAction(const QString& name) override {
    if (!actionNames().contains(name) || !action_->isEnabled()) return;
    if (action_->menu()) menu_->setActiveAction(action_);
    else action_->trigger();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<QMenu> menu_;
  QPointer<QAction> action_;
};

// A menu whose children are found whatever their role.
class Menu : public QAccessibleWidget {
 public:
  explicit Menu(QMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}
  QMenu* menu() const { return static_cast<QMenu*>(widget()); }

  int childCount() const override { return int(menu()->actions().size()); }
  QAccessibleInterface* child(int i) const override {
    const QList<QAction*> actions = menu()->actions();
    return i >= 0 && i < actions.size() ? QAccessible::queryAccessibleInterface(actions[i]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* c) const override {
    return c ? int(menu()->actions().indexOf(qobject_cast<QAction*>(c->object()))) : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    QAction* action = menu()->actionAt(menu()->mapFromGlobal(QPoint(x, y)));
    return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
  }
  // A submenu belongs to its entry in the menu or the menu bar.
  QAccessibleInterface* parent() const override {
    QAction* own = menu()->menuAction();
    QObjectList holders = own->associatedObjects();
    std::stable_partition(holders.begin(), holders.end(), [](QObject* o) { return qobject_cast<QMenuBar*>(o); });
    for (QObject* holder : holders)
      if (QAccessibleInterface* list = QAccessible::queryAccessibleInterface(holder);
          holder != menu() && list && (list->role() == QAccessible::MenuBar || list->role() == QAccessible::PopupMenu))
        for (int i = 0; i < list->childCount(); ++i)
          if (QAccessibleInterface* entry = list->child(i); entry && entry->object() == own) return entry;
    return QAccessibleWidget::parent();
  }
  QString text(QAccessible::Text t) const override {
    const QString text = QAccessibleWidget::text(t);
    return text.isEmpty() && t == QAccessible::Name ? menu()->windowTitle() : text;
  }
};

QAccessibleInterface* MenuAccessible(const QString&, QObject* object) {
  if (auto* menu = qobject_cast<QMenu*>(object)) return new Menu(menu);
  auto* action = qobject_cast<QAction*>(object);
  if (!action) return nullptr;
  // The menu bar's entries stay Qt's: the bar's overflow menu lists them too, and a
  // submenu's own entry is associated with the submenu. An entry's owner is the
  // menu that lists it.
  const QObjectList owners = action->associatedObjects();
  if (std::any_of(owners.begin(), owners.end(), [](QObject* o) { return qobject_cast<QMenuBar*>(o); }))
    return nullptr;
  for (QObject* owner : owners)
    if (auto* menu = qobject_cast<QMenu*>(owner); menu && menu->actions().contains(action))
      return new MenuEntry(menu, action);
  return nullptr;
}

}  // namespace

void UseListenerStyle(QApplication& app) {
  app.setStyle(new ListenerStyle);
  QAccessible::installFactory(MenuAccessible);
}

}  // namespace scandeck
