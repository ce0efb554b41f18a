#include "ui/dialog_asker.h"

#include "ui/product_text.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace cellwatch {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString productTitle() {
    return QString::fromLatin1(kProductName);
}

Answer answerOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

QStringList translatedPatterns(const QString& patterns) {
    QStringList result;
    for (QString pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        if (pattern == QLatin1String("*.*") ||
            pattern.compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0) {
            result << QStringLiteral("*");
            continue;
        }
        const QString lower = pattern.toLower();
        const QString upper = pattern.toUpper();
        result << lower;
        if (upper != lower)
            result << upper;
    }
    result.removeDuplicates();
    return result;
}

void prepare(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setWindowTitle(qs(request.title));
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(qtNameFilters(request.filter));
    if (!request.startFolder.empty())
        dialog.setDirectory(qs(request.startFolder));
    if (!request.defaultExt.empty())
        dialog.setDefaultSuffix(qs(request.defaultExt));
}

std::optional<std::string> chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

} // namespace

QStringList qtNameFilters(std::string_view filter) {
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            continue;
        filters << parts[i] + QStringLiteral(" (") + translatedPatterns(parts[i + 1]).join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

void QtDialogAsker::messageOk(QWidget* parent, std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, productTitle(), qs(text), QMessageBox::Ok, parent);
    box.exec();
}

Answer QtDialogAsker::askYesNo(QWidget* parent, std::string_view text) {
    QMessageBox box(QMessageBox::Question, productTitle(), qs(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    return answerOf(box.exec());
}

Answer QtDialogAsker::askYesNoCancel(QWidget* parent, std::string_view text) {
    QMessageBox box(QMessageBox::Question, productTitle(), qs(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    return answerOf(box.exec());
}

bool QtDialogAsker::warnWithCheckBox(QWidget* parent, std::string_view title, std::string_view text,
                                     std::string_view checkBoxText) {
    QMessageBox box(QMessageBox::Warning, qs(title), qs(text), QMessageBox::Ok, parent);
    auto* check = new QCheckBox(qs(checkBoxText));
    box.setCheckBox(check);
    box.exec();
    return check->isChecked();
}

std::optional<std::string> QtDialogAsker::openFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return chosenFile(dialog);
}

std::optional<std::string> QtDialogAsker::saveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    return chosenFile(dialog);
}

std::optional<std::string> QtDialogAsker::askText(QWidget* parent, std::string_view title,
                                                  std::string_view label, std::string_view initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, qs(title), qs(label), QLineEdit::Normal, qs(initial), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

} // namespace cellwatch
