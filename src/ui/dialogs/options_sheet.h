#pragma once
// The modal options sheet behind "&Options...": three pages over the "Environment" and "Colours"
// settings. The pages edit copies; the settings are written only when the user presses OK.

#include <QColor>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace cellwatch {
class Settings;
}

class CEnvPage;
class CWavePage;
class CColourPage;
class QDialogButtonBox;
class QTabWidget;

// What the "Browse..." button asks the file dialog for.
struct ProgramFileRequest {
    QString title;       // "Select wave view program"
    QStringList filters; // name filters in the order shown
    QString startFolder; // empty for the dialog's own choice
};

// The dialogs the pages open, replaceable so that tests answer them without a person. Each
// returns nullopt when the user cancels.
struct OptionsChoosers {
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> chooseColour;
    std::function<std::optional<QString>(QWidget* parent, const ProgramFileRequest& request)> chooseProgram;

    // QColorDialog and QFileDialog.
    static OptionsChoosers platform();
};

class COptionsSheet : public QDialog {
    Q_OBJECT
public:
    // Reads every value it shows from settings; exec() == Accepted means they were written back.
    COptionsSheet(cellwatch::Settings& settings, QWidget* parent = nullptr);
    ~COptionsSheet() override;

    // Replaces the colour and file dialogs (tests).
    void setChoosers(OptionsChoosers choosers);

    // OK: writes the colour page, then the environment page, then the wave viewer, then closes.
    void accept() override;

private:
    cellwatch::Settings& m_settings;
    OptionsChoosers m_choosers;
    QTabWidget* m_pTabs = nullptr;
    CEnvPage* m_pEnvPage = nullptr;
    CWavePage* m_pWavePage = nullptr;
    CColourPage* m_pColourPage = nullptr;
};
