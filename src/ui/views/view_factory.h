#pragma once
// Makes the views the child frames hold. The frames and the application know views only through
// this and WizView, so that a test can hand the application views of its own.

#include "ui/views/wiz_view.h"

#include <memory>

class QWidget;

namespace cellwatch {

class CWizDoc;

class ViewFactory {
public:
    virtual ~ViewFactory() = default;
    // A new view of that kind on the session, parented to parent. The view registers itself in the
    // session (setSymbolView, addLogView, ...) when made and leaves it when destroyed; it must be
    // destroyed before the session.
    virtual QWidget* makeView(ViewKind kind, CWizDoc& doc, QWidget* parent) = 0;
};

} // namespace cellwatch
