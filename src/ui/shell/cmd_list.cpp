#include "ui/shell/cmd_list.h"

#include <QKeyEvent>
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
    // Enter is taken by the combo box and its edit field rather than from returnPressed: the combo
    // box hands an unaccepted Return back to its edit field, which would report it a second time.
    lineEdit()->installEventFilter(this);
}

bool CCmdList::isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

void CCmdList::keyPressEvent(QKeyEvent* event) {
    // Enter in the dropped-down list picks an entry there and never comes here.
    if (isEnter(event)) {
        event->accept();
        Q_EMIT lineEntered();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool CCmdList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
        Q_EMIT lineEntered();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
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
