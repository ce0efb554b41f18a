#include "ui/dialogs/element_info_dialog.h"

#include "design/element_info.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace cellwatch {

ElementInfoDialog::ElementInfoDialog(const DesignElement& element, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Element info"));
    const ElementInfo info = elementInfo(element);
    auto* form = new QFormLayout;
    const std::pair<const char*, const std::string*> fields[] = {{"Name", &info.name},
                                                                 {"Type", &info.type},
                                                                 {"Size", &info.size},
                                                                 {"Column", &info.column},
                                                                 {"Row", &info.row}};
    for (const auto& [label, text] : fields) {
        auto* edit = new QLineEdit(QString::fromStdString(*text), this);
        edit->setReadOnly(true);
        edit->setObjectName(QString::fromLatin1(label));
        edit->setMinimumWidth(220);
        form->addRow(QString::fromLatin1(label), edit);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString ElementInfoDialog::field(const QString& label) const {
    const auto* edit = findChild<QLineEdit*>(label);
    return edit != nullptr ? edit->text() : QString();
}

ElementInfoDialog* showElementInfo(const DesignElement& element, QWidget* parent) {
    auto* dialog = new ElementInfoDialog(element, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

} // namespace cellwatch
