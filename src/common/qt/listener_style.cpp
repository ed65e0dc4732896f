#include "common/qt/listener_style.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
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
  // Entries of which exactly one is chosen are radio items.
  QAccessible::Role role() const override {
    if (action_ && action_->isSeparator()) return QAccessible::Separator;
    if (!action_ || !action_->isCheckable()) return QAccessible::MenuItem;
    const QActionGroup* group = action_->actionGroup();
    return group && group->exclusionPolicy() == QActionGroup::ExclusionPolicy::Exclusive ? QAccessible::RadioButton
                                                                                          : QAccessible::CheckBox;
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

// A list to choose from (not editable) whose chosen item is spoken with it. On
// Linux Qt names such a list by its chosen item and gives it no text, and Orca
// takes the value from the text or the list's selection, which Qt 6.4 does not
// offer either: the list was spoken as "Name column: combo box", without its
// value. Its text here is the chosen item.
class ChoiceList : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit ChoiceList(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
  QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
  QString value() const { return box()->currentText(); }

  // The items' list, as Qt's own combo box has it.
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int i) const override {
    return i == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* c) const override { return c && c->object() == box()->view() ? 0 : -1; }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name || t == QAccessible::Value) return value();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = box()->view()->isVisible();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction()) box()->showPopup();
  }

  // The text: the chosen item, read only.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    const QString v = value();
    start = std::clamp(start, 0, int(v.size()));
    end = end < 0 ? int(v.size()) : std::clamp(end, start, int(v.size()));
    return v.mid(start, end - start);
  }
  int characterCount() const override { return int(value().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }
};

// A window of its own that is no dialog is a frame, which Orca names with its
// title on opening; Qt gives a plain widget the filler role.
bool PlainWindow(QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget || !widget->isWindow()) return false;
  const QMetaObject* qt_class = widget->metaObject();
  while (qt_class && !QByteArray(qt_class->className()).startsWith('Q')) qt_class = qt_class->superClass();
  return qt_class == &QWidget::staticMetaObject;
}

QAccessibleInterface* ListenerAccessible(const QString&, QObject* object) {
  if (auto* box = qobject_cast<QComboBox*>(object); box && !box->isEditable()) return new ChoiceList(box);
  if (PlainWindow(object)) return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
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

// A text box that shows a new text while another control has the focus moves
// its caret (a read showing the next bank in the bank list). Orca takes a caret
// move from a box it last knew focused as the focus coming back, and a box in an
// editable list keeps that state in Orca's cache after the list lost the focus:
// the caret move took the focus from "Cancel read". Only the focused control's
// caret and selection are told.
QAccessible::UpdateHandler g_platform_update = nullptr;

void FocusedCaretsOnly(QAccessibleEvent* event) {
  const QAccessible::Event type = event->type();
  if (type == QAccessible::TextCaretMoved || type == QAccessible::TextSelectionChanged)
    if (auto* widget = qobject_cast<QWidget*>(event->object()); widget && !widget->hasFocus()) return;
  // Without a handler the event reaches the platform's bridge.
  QAccessible::installUpdateHandler(g_platform_update);
  QAccessible::updateAccessibility(event);
  QAccessible::installUpdateHandler(FocusedCaretsOnly);
}

}  // namespace

void UseListenerStyle(QApplication& app) {
  app.setStyle(new ListenerStyle);
  QAccessible::installFactory(ListenerAccessible);
  g_platform_update = QAccessible::installUpdateHandler(FocusedCaretsOnly);
}

}  // namespace scandeck
