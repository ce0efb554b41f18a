#pragma once
// The three pages of the options sheet and the colour button. Each page loads its controls from the
// settings and saves them back only when the sheet asks, so the controls hold copies until OK.

#include "ui/dialogs/options_sheet.h"

#include <QColor>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <string_view>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

// A push button that shows one colour instead of its text; its text stays its accessible name and
// mnemonic. A click opens the colour chooser on the button's colour.
class ColourButton : public QPushButton {
    Q_OBJECT
public:
    ColourButton(const QString& text, const OptionsChoosers& choosers, QWidget* parent = nullptr);

    QColor colour() const { return m_colour; }
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();

    const OptionsChoosers& m_choosers;
    QColor m_colour;
};

// "Environment": save, result log and output format options.
class CEnvPage : public QWidget {
    Q_OBJECT
public:
    explicit CEnvPage(QWidget* parent = nullptr);
    void load(const cellwatch::Settings& settings);
    void save(cellwatch::Settings& settings) const;

private:
    QCheckBox* m_pSaveBeforeParse = nullptr;
    QCheckBox* m_pPromptBeforeSave = nullptr;
    QCheckBox* m_pRtUpdate = nullptr;
    QCheckBox* m_pAutoSplit = nullptr;
    QCheckBox* m_pHideInversion = nullptr;
    QButtonGroup* m_pBase = nullptr; // button ids are the radix values 2, 8, 10, 16
};

// "Wave display": the external wave viewer's program.
class CWavePage : public QWidget {
    Q_OBJECT
public:
    CWavePage(const OptionsChoosers& choosers, QWidget* parent = nullptr);
    void load(const cellwatch::Settings& settings);
    void save(cellwatch::Settings& settings) const;

private:
    void browse();

    const OptionsChoosers& m_choosers;
    QLineEdit* m_pViewer = nullptr;
};

// "Script colours": the six colours of the editor and the result log.
class CColourPage : public QWidget {
    Q_OBJECT
public:
    CColourPage(const OptionsChoosers& choosers, QWidget* parent = nullptr);
    void load(const cellwatch::Settings& settings);
    void save(cellwatch::Settings& settings) const;

private:
    std::array<ColourButton*, 6> m_buttons{};
};
