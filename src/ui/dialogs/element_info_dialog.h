#pragma once
// The "Element info" dialog: five read-only fields of one element and "OK". Both the hierarchy and
// the trace list open it; it works on its own copy of the texts, so the element may change or go
// while it is open.

#include <QDialog>

class QLineEdit;

namespace cellwatch {

class DesignElement;

class ElementInfoDialog final : public QDialog {
    Q_OBJECT
public:
    ElementInfoDialog(const DesignElement& element, QWidget* parent);

    // The text of the field with that label ("Name", "Type", "Size", "Column", "Row").
    QString field(const QString& label) const;
};

// Opens the dialog for the element without blocking the caller; it frees itself when closed.
ElementInfoDialog* showElementInfo(const DesignElement& element, QWidget* parent);

} // namespace cellwatch
