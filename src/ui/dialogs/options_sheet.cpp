#include "ui/dialogs/options_sheet.h"

#include "app/settings.h"
#include "ui/dialogs/options_pages.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

std::optional<QColor> chooseColourInDialog(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

// Folders and the files the user may execute. The file model's own QDir::Executable filter hides
// folders too (and, before their permissions are read, every file), so the listing is filtered here.
class ProgramFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setExecutablesOnly(bool only) {
        if (only == m_executablesOnly)
            return;
        m_executablesOnly = only;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!m_executablesOnly || files == nullptr)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool m_executablesOnly = true;
};

std::optional<QString> chooseProgramInDialog(QWidget* parent, const ProgramFileRequest& request) {
    QFileDialog dialog(parent, request.title, request.startFolder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, because only it takes the filter below; desktop dialogs filter by name alone.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(request.filters);
    dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot);
    auto* programs = new ProgramFilter(&dialog);
    dialog.setProxyModel(programs);
    const QString executables = request.filters.value(0);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [programs, executables](const QString& filter) { programs->setExecutablesOnly(filter == executables); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace

OptionsChoosers OptionsChoosers::platform() {
    return {chooseColourInDialog, chooseProgramInDialog};
}

COptionsSheet::COptionsSheet(cellwatch::Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_choosers(OptionsChoosers::platform()) {
    setObjectName(QStringLiteral("optionsSheet"));
    setWindowTitle(QStringLiteral("Gridprobe LC3400 Test options"));

    m_pEnvPage = new CEnvPage(this);
    m_pWavePage = new CWavePage(m_choosers, this);
    m_pColourPage = new CColourPage(m_choosers, this);
    m_pEnvPage->setObjectName(QStringLiteral("environmentPage"));
    m_pWavePage->setObjectName(QStringLiteral("wavePage"));
    m_pColourPage->setObjectName(QStringLiteral("colourPage"));
    m_pEnvPage->load(settings);
    m_pWavePage->load(settings);
    m_pColourPage->load(settings);

    m_pTabs = new QTabWidget(this);
    m_pTabs->addTab(m_pEnvPage, QStringLiteral("Environment"));
    m_pTabs->addTab(m_pWavePage, QStringLiteral("Wave display"));
    m_pTabs->addTab(m_pColourPage, QStringLiteral("Script colours"));
    m_pTabs->setCurrentIndex(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs);
    layout->addWidget(buttons);
}

COptionsSheet::~COptionsSheet() = default;

void COptionsSheet::setChoosers(OptionsChoosers choosers) {
    // The pages hold a reference to m_choosers, so they see the new ones at once.
    m_choosers = std::move(choosers);
}

void COptionsSheet::accept() {
    m_pColourPage->save(m_settings);
    m_pEnvPage->save(m_settings);
    m_pWavePage->save(m_settings);
    QDialog::accept();
}
