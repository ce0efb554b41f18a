#pragma once
// The keyboard's way to a context menu, the same in every view and on every platform: the Menu key
// and Shift+F10 open the focused widget's context menu as a right click would, at the place the
// widget gives for keyboard menus.

#include <QObject>

namespace cellwatch {

class ContextMenuKeys final : public QObject {
    Q_OBJECT
public:
    // Watches every key press of the application while it lives.
    explicit ContextMenuKeys(QObject* parent = nullptr);
    ~ContextMenuKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace cellwatch
