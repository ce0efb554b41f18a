#include "ui/cmd_list.h"

#include <QLineEdit>
#include <QRegularExpression>

namespace cellwatch {

CCmdList::CCmdList(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The history is ours to keep: Enter must not add or reorder entries by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setCompleter(nullptr);
    setMaxVisibleItems(12);
    connect(lineEdit(), &QLineEdit::returnPressed, this, &CCmdList::lineEntered);
}

QString CCmdList::typedLine() const {
    QString text = currentText();
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    if (end >= 0)
        text.truncate(end);
    return text.left(kMaxLine);
}

void CCmdList::addToHistory(const QString& line) {
    const QString typed = currentText();
    insertItem(0, line);
    // Inserting may make the new entry current; the edit field keeps what was typed.
    setEditText(typed);
}

QStringList CCmdList::history() const {
    QStringList lines;
    for (int i = 0; i < count(); ++i)
        lines << itemText(i);
    return lines;
}

void CCmdList::selectTypedText() {
    lineEdit()->selectAll();
}

} // namespace cellwatch
