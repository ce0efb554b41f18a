#include "ui/shell/dialog_asker.h"

#include "ui/look/product_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>

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

// The window icon, the three title-bar buttons and the bar's margins, as common window managers
// draw them.
constexpr int kTitleBarRoom = 150;

} // namespace

int titleBarWidth(const QString& title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

void fitMessageBox(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (grid == nullptr || label == nullptr)
        return;
    int line = 0;
    for (const QString& text : label->text().split(QLatin1Char('\n')))
        line = std::max(line, label->fontMetrics().horizontalAdvance(text));
    const QMargins margins = grid->contentsMargins();
    const int icon = box.iconPixmap().isNull() ? 0 : box.iconPixmap().deviceIndependentSize().toSize().width();
    const int spacing = std::max(0, grid->horizontalSpacing());
    // The label's own margins and the grid's gaps round it up.
    const int text = icon + spacing * 2 + line + 16;
    const int title = titleBarWidth(box.windowTitle()) - margins.left() - margins.right();
    // Beyond most of the screen's width a long text wraps after all.
    const QScreen* screen = box.screen() != nullptr ? box.screen() : QGuiApplication::primaryScreen();
    const int most = screen != nullptr ? screen->availableGeometry().width() * 3 / 4 : 800;
    const int width = std::min(std::max(text, title), most);
    // A spacer across every column holds the box at that width: QMessageBox sizes itself from its
    // layout's minimum when it is shown.
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

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
    fitMessageBox(box);
    box.exec();
}

Answer QtDialogAsker::askYesNo(QWidget* parent, std::string_view text) {
    QMessageBox box(QMessageBox::Question, productTitle(), qs(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    fitMessageBox(box);
    return answerOf(box.exec());
}

Answer QtDialogAsker::askYesNoCancel(QWidget* parent, std::string_view text) {
    QMessageBox box(QMessageBox::Question, productTitle(), qs(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    fitMessageBox(box);
    return answerOf(box.exec());
}

bool QtDialogAsker::warnWithCheckBox(QWidget* parent, std::string_view title, std::string_view text,
                                     std::string_view checkBoxText) {
    QMessageBox box(QMessageBox::Warning, qs(title), qs(text), QMessageBox::Ok, parent);
    auto* check = new QCheckBox(qs(checkBoxText));
    box.setCheckBox(check);
    fitMessageBox(box);
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
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("textDialog"));
    dialog.setWindowTitle(qs(title));
    dialog.setLabelText(qs(label));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(qs(initial));
    // The dialog sizes itself from its layout, so the field holds the width the title needs.
    if (auto* field = dialog.findChild<QLineEdit*>()) {
        constexpr int kDialogMargins = 18;
        field->setMinimumWidth(titleBarWidth(dialog.windowTitle()) - kDialogMargins);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

} // namespace cellwatch
