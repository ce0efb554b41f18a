#include "ui/dialogs/options_pages.h"

#include "app/settings.h"
#include "platform/settings_catalogue.h"
#include "ui/look/colour_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace set = cellwatch::settings;

namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// objectNames for tests and style sheets: "colour" + the key, blanks dropped.
QString controlName(std::string_view prefix, std::string_view key) {
    QString name = fromStd(prefix) + fromStd(key);
    return name.remove(QLatin1Char(' '));
}

struct ColourControl {
    std::string_view key;
    const char* label;
    const char* button;
};

// Column by column: text, keyword and comment colours first, then background, warning and error.
constexpr std::array<ColourControl, 6> kColourControls{{
    {set::kText, "Text color", "Change &text colour..."},
    {set::kKeywords, "Keyword color", "Choose &keyword colour..."},
    {set::kComments, "Comment color", "Change &comment colour..."},
    {set::kBackground, "Background color", "Change &background colour..."},
    {set::kWarning, "Warning color", "Change &warning colour..."},
    {set::kError, "Error color", "Change &error colour..."},
}};

} // namespace

// --- ColourButton ---

ColourButton::ColourButton(const QString& text, const OptionsChoosers& choosers, QWidget* parent)
    : QPushButton(text, parent), m_choosers(choosers) {
    setMinimumSize(48, 24);
    connect(this, &QPushButton::clicked, this, &ColourButton::choose);
}

void ColourButton::setColour(const QColor& colour) {
    m_colour = colour;
    update();
}

void ColourButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), isDown());
    painter.fillRect(rect().adjusted(2, 2, -2, -2), m_colour);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void ColourButton::choose() {
    if (!m_choosers.chooseColour)
        return;
    if (const std::optional<QColor> chosen = m_choosers.chooseColour(window(), m_colour))
        setColour(*chosen);
}

// --- CEnvPage ---

CEnvPage::CEnvPage(QWidget* parent) : QWidget(parent) {
    auto makeCheck = [this](const char* text, const char* name) {
        auto* box = new QCheckBox(QString::fromLatin1(text), this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    m_pSaveBeforeParse = makeCheck("Save before parsing", "saveBeforeParse");
    m_pPromptBeforeSave = makeCheck("Prompt before saving", "promptBeforeSave");
    m_pRtUpdate = makeCheck("Real time update", "rtUpdate");
    m_pAutoSplit = makeCheck("Auto-split result log", "autoSplit");
    m_pHideInversion = makeCheck("Inversion compensation", "hideInversion");

    auto* saveGroup = new QGroupBox(QStringLiteral("Save options"), this);
    auto* saveLayout = new QVBoxLayout(saveGroup);
    saveLayout->addWidget(m_pSaveBeforeParse);
    saveLayout->addWidget(m_pPromptBeforeSave);

    auto* logGroup = new QGroupBox(QStringLiteral("Result log"), this);
    auto* logLayout = new QVBoxLayout(logGroup);
    logLayout->addWidget(m_pRtUpdate);
    logLayout->addWidget(m_pAutoSplit);
    logLayout->addWidget(m_pHideInversion);

    auto* formatGroup = new QGroupBox(QStringLiteral("Output format"), this);
    auto* formatLayout = new QVBoxLayout(formatGroup);
    m_pBase = new QButtonGroup(this);
    const std::array<std::pair<const char*, int>, 4> radices{
        {{"Binary", 2}, {"Octal", 8}, {"Decimal", 10}, {"Hexadecimal", 16}}};
    for (const auto& [text, radix] : radices) {
        auto* button = new QRadioButton(QString::fromLatin1(text), formatGroup);
        button->setObjectName(QStringLiteral("base") + QString::fromLatin1(text));
        m_pBase->addButton(button, radix);
        formatLayout->addWidget(button);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(saveGroup);
    left->addWidget(logGroup);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(formatGroup);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
}

void CEnvPage::load(const cellwatch::Settings& settings) {
    auto check = [&](QCheckBox* box, std::string_view key, int defaultValue) {
        box->setChecked(settings.readInt(set::kEnvironment, key, defaultValue) != 0);
    };
    check(m_pSaveBeforeParse, set::kSaveBeforeParse, 1);
    check(m_pPromptBeforeSave, set::kPromptBeforeSave, 0);
    check(m_pRtUpdate, set::kRtUpdate, 1);
    check(m_pAutoSplit, set::kAutoSplit, 1);
    check(m_pHideInversion, set::kHideInversion, 1);
    const int base = settings.readInt(set::kEnvironment, set::kBase, 2);
    QAbstractButton* selected = m_pBase->button(base);
    (selected != nullptr ? selected : m_pBase->button(2))->setChecked(true);
}

void CEnvPage::save(cellwatch::Settings& settings) const {
    auto write = [&](std::string_view key, const QCheckBox* box) {
        settings.writeInt(set::kEnvironment, key, box->isChecked() ? 1 : 0);
    };
    write(set::kPromptBeforeSave, m_pPromptBeforeSave);
    write(set::kSaveBeforeParse, m_pSaveBeforeParse);
    write(set::kHideInversion, m_pHideInversion);
    write(set::kRtUpdate, m_pRtUpdate);
    write(set::kAutoSplit, m_pAutoSplit);
    settings.writeInt(set::kEnvironment, set::kBase, m_pBase->checkedId());
}

// --- CWavePage ---

CWavePage::CWavePage(const OptionsChoosers& choosers, QWidget* parent)
    : QWidget(parent), m_choosers(choosers) {
    auto* group = new QGroupBox(QStringLiteral("Default wave viewer"), this);
    auto* label = new QLabel(QStringLiteral("Location"), group);
    m_pViewer = new QLineEdit(group);
    m_pViewer->setObjectName(QStringLiteral("waveViewer"));
    label->setBuddy(m_pViewer);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), group);
    browse->setObjectName(QStringLiteral("browseWaveViewer"));
    connect(browse, &QPushButton::clicked, this, &CWavePage::browse);

    auto* row = new QHBoxLayout(group);
    row->addWidget(label);
    row->addWidget(m_pViewer, 1);
    row->addWidget(browse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

void CWavePage::load(const cellwatch::Settings& settings) {
    m_pViewer->setText(QString::fromStdString(settings.readString(set::kEnvironment, set::kWaveViewer, "")));
}

void CWavePage::save(cellwatch::Settings& settings) const {
    settings.writeString(set::kEnvironment, set::kWaveViewer, m_pViewer->text().toStdString());
}

void CWavePage::browse() {
    if (!m_choosers.chooseProgram)
        return;
    ProgramFileRequest request;
    request.title = QStringLiteral("Select wave view program");
    // Programs on Linux carry no extension; the first filter shows executable files instead.
    request.filters = {QStringLiteral("Executable files (*)"), QStringLiteral("All files (*)")};
    const QFileInfo current(m_pViewer->text());
    if (!m_pViewer->text().isEmpty() && current.absoluteDir().exists())
        request.startFolder = current.absolutePath();
    if (const std::optional<QString> chosen = m_choosers.chooseProgram(window(), request))
        m_pViewer->setText(*chosen);
}

// --- CColourPage ---

CColourPage::CColourPage(const OptionsChoosers& choosers, QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    for (std::size_t i = 0; i < kColourControls.size(); ++i) {
        const ColourControl& control = kColourControls[i];
        auto* button = new ColourButton(QString::fromLatin1(control.button), choosers, this);
        button->setObjectName(controlName("colour", control.key));
        auto* label = new QLabel(QString::fromLatin1(control.label), this);
        const int row = static_cast<int>(i % 3);
        const int column = static_cast<int>(i / 3) * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(button, row, column + 1);
        m_buttons[i] = button;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
}

void CColourPage::load(const cellwatch::Settings& settings) {
    for (std::size_t i = 0; i < kColourControls.size(); ++i)
        m_buttons[i]->setColour(readColour(settings, kColourControls[i].key));
}

void CColourPage::save(cellwatch::Settings& settings) const {
    for (std::size_t i = 0; i < kColourControls.size(); ++i)
        writeColour(settings, kColourControls[i].key, m_buttons[i]->colour());
}
