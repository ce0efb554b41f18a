#include "ui/shell/context_menu_keys.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace cellwatch {

namespace {

bool opensContextMenu(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Menu)
        return true;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier;
}

} // namespace

ContextMenuKeys::ContextMenuKeys(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

ContextMenuKeys::~ContextMenuKeys() {
    qApp->removeEventFilter(this);
}

bool ContextMenuKeys::eventFilter(QObject* watched, QEvent* event) {
    // Some platforms turn the Menu key into a context menu event of their own, besides the key;
    // the key is handled below, so the window's copy goes.
    if (event->type() == QEvent::ContextMenu && qobject_cast<QWindow*>(watched) != nullptr &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
        return true;
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        !opensContextMenu(*static_cast<QKeyEvent*>(event)) || QApplication::activePopupWidget() != nullptr)
        return QObject::eventFilter(watched, event);
    auto* target = static_cast<QWidget*>(watched);
    if (!target->isEnabled())
        return QObject::eventFilter(watched, event);
    // Where Qt itself puts a keyboard menu: the text cursor, or the widget's middle.
    const QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at),
                           static_cast<QKeyEvent*>(event)->modifiers());
    QApplication::sendEvent(target, &menu);
    return true;
}

} // namespace cellwatch
