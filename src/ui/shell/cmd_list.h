#pragma once
// The command line of the command bar: an editable drop-down whose list is the history of the lines
// typed in this run of the program, newest first, repeats kept.

#include <QComboBox>

namespace cellwatch {

class CCmdList final : public QComboBox {
    Q_OBJECT
public:
    // The longest line the command bar takes from the edit field.
    static constexpr int kMaxLine = 256;

    explicit CCmdList(QWidget* parent = nullptr);

    // The first line of the edit text, at most kMaxLine characters.
    QString typedLine() const;
    void addToHistory(const QString& line);
    // Newest first.
    QStringList history() const;
    // Selects the whole edit text with its caret in view, so the next typing replaces it.
    void selectTypedText();

Q_SIGNALS:
    // Enter was pressed in the edit field.
    void lineEntered();

protected:
    // Enter reaches the combo box itself when it holds the focus (its edit field's focus proxy),
    // and the edit field when a key is sent to it directly; both take it here.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool isEnter(const QKeyEvent* event);
};

} // namespace cellwatch
