#pragma once
// Every modal question the window asks on the session's behalf. The application hands each one to
// its asker: QtDialogAsker opens the real dialog, tests put in an asker that answers from a script,
// so that no test ever waits for a person.

#include "app/session_host.h"

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class QMessageBox;
class QWidget;

namespace cellwatch {

class DialogAsker {
public:
    virtual ~DialogAsker() = default;
    virtual void messageOk(QWidget* parent, std::string_view text) = 0;
    virtual Answer askYesNo(QWidget* parent, std::string_view text) = 0;
    virtual Answer askYesNoCancel(QWidget* parent, std::string_view text) = 0;
    // Returns whether the check box was ticked.
    virtual bool warnWithCheckBox(QWidget* parent, std::string_view title, std::string_view text,
                                  std::string_view checkBoxText) = 0;
    virtual std::optional<std::string> openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> askText(QWidget* parent, std::string_view title,
                                               std::string_view label, std::string_view initial) = 0;
};

// QMessageBox, QFileDialog and QInputDialog, titled with the product name.
class QtDialogAsker final : public DialogAsker {
public:
    void messageOk(QWidget* parent, std::string_view text) override;
    Answer askYesNo(QWidget* parent, std::string_view text) override;
    Answer askYesNoCancel(QWidget* parent, std::string_view text) override;
    bool warnWithCheckBox(QWidget* parent, std::string_view title, std::string_view text,
                          std::string_view checkBoxText) override;
    std::optional<std::string> openFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<std::string> askText(QWidget* parent, std::string_view title, std::string_view label,
                                       std::string_view initial) override;
};

// The width a window needs for its title to show whole in the window manager's title bar: the
// title in a bold title-bar font, and room for the window's icon and its buttons.
int titleBarWidth(const QString& title);

// A message box as wide as its title needs and, while the screen allows, as wide as its longest
// line, so that neither the title nor a sentence is cut or wrapped. Call before exec().
void fitMessageBox(QMessageBox& box);

// The name filters of a "Description|pattern;pattern|..." filter for QFileDialog. Each keeps its
// description as written (the dialog hides the patterns Qt reads from the last parentheses). "*.*"
// becomes "*" and "*.exe" becomes "*" (Linux programs have no extension), and an extension pattern
// matches its lower and upper case spelling, as on a file system that ignores case.
QStringList qtNameFilters(std::string_view filter);

} // namespace cellwatch
