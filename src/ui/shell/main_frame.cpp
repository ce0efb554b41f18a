#include "ui/shell/main_frame.h"

#include "app/cwiz_doc.h"
#include "app/menu_rules.h"
#include "platform/qt_settings.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/options_sheet.h"
#include "ui/dialogs/wave_viewer.h"
#include "ui/look/frame_icons.h"
#include "ui/look/product_text.h"
#include "ui/shell/cmd_list.h"
#include "ui/shell/context_menu_keys.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/main_frame_tables.h"
#include "ui/shell/run_monitor.h"
#include "ui/shell/window_layout.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/sram/memory_view.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>

namespace cellwatch {

using namespace frame_tables;

namespace {

// A text widget the Edit commands can act on, or null.
QWidget* editTarget() {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
        qobject_cast<QTextEdit*>(focus))
        return focus;
    return nullptr;
}

bool isSessionFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("cmd") || suffix == QLatin1String("sym");
}

} // namespace

CMainFrame::CMainFrame(CWizApp& app) : m_app(app) {
    setWindowTitle(QString::fromLatin1(kProductName));
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(applicationIcon());
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    setAcceptDrops(true);

    createActions();
    createToolBar();
    createStatusBar();
    createCommandBar();
    createMenus();

    new ContextMenuKeys(this);
    m_runTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_runTimer, &QTimer::timeout, this, &CMainFrame::OnRunTimer);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::updateCommands);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::updateCommands);
    restoreMainWindow(*this, m_app.settings());
    updateCommands();
}

CMainFrame::~CMainFrame() {
    // Child windows going with the frame emit focus and activation signals; the actions are gone then.
    // The frame itself is no CMainFrame any more when its QWidget part hides the active window, so
    // the application's focus signal must not reach it then.
    m_destroying = true;
    disconnect(qApp, nullptr, this, nullptr);
    m_runTimer.stop();
}

QList<QWidget*> CMainFrame::statusPanes() const {
    return {m_pMessagePane, m_lockPanes[0], m_lockPanes[1], m_lockPanes[2]};
}

QWidget* CMainFrame::activeView() const {
    auto* child = qobject_cast<CWizMDIChild*>(m_pMdiArea->currentSubWindow());
    return child != nullptr ? child->activeView() : nullptr;
}

void CMainFrame::updateCaretPane() {
    const auto* editor = qobject_cast<const CGRTEditView*>(activeView());
    m_pCaretPane->setText(editor != nullptr ? editor->statusText() : QString());
}

// --- Commands ---

void CMainFrame::onCommand(FrameCommand command) {
    switch (command) {
    case FrameCommand::Open:
        m_app.OnFileOpen();
        break;
    case FrameCommand::Close:
        m_app.closeSession();
        break;
    case FrameCommand::Exit:
        close();
        break;
    case FrameCommand::Options:
        OnOptions();
        break;
    case FrameCommand::About: {
        const CWizApp::DialogScope dialog(m_app);
        showAboutBox(this);
        break;
    }
    case FrameCommand::Cascade:
        m_pMdiArea->cascadeSubWindows();
        break;
    case FrameCommand::Tile:
        m_pMdiArea->tileSubWindows();
        break;
    case FrameCommand::Undo:
    case FrameCommand::Cut:
    case FrameCommand::Copy:
    case FrameCommand::Paste:
        if (QWidget* target = editTarget()) {
            const char* slot = command == FrameCommand::Undo   ? "undo"
                               : command == FrameCommand::Cut  ? "cut"
                               : command == FrameCommand::Copy ? "copy"
                                                               : "paste";
            QMetaObject::invokeMethod(target, slot);
        }
        break;
    case FrameCommand::ViewSramLocation:
        if (auto* sram = qobject_cast<CMemoryView*>(activeView()))
            sram->OnViewLocation();
        break;
    case FrameCommand::Find:
    case FrameCommand::FindNext:
    case FrameCommand::FindPrevious:
    case FrameCommand::NextError:
    case FrameCommand::PreviousError:
        if (auto* log = qobject_cast<CReportView*>(activeView()))
            OnFindCommand(command, *log);
        break;
    case FrameCommand::CommandBar:
        break; // the dock widget's own action
    default:
        break;
    }
    for (const auto& [frameCommand, kind] : kViewCommands) {
        if (frameCommand == command)
            m_app.showView(kind);
    }
    if (CWizDoc* doc = m_app.session()) {
        switch (command) {
        case FrameCommand::SaveScript:
            doc->SaveScript();
            break;
        case FrameCommand::SaveScriptAs:
            doc->SaveScriptAs();
            m_app.updateCaretPosition();
            break;
        case FrameCommand::ExportViewSim:
            doc->ExportViewSimScript();
            break;
        case FrameCommand::SaveTraceWave:
            doc->SaveTraceWave();
            break;
        case FrameCommand::SaveResultLog:
            doc->SaveResultLog();
            break;
        case FrameCommand::ParseScript:
            doc->ParseCommand();
            break;
        case FrameCommand::RunTest:
            doc->RunTest();
            break;
        case FrameCommand::ContinueTest:
            doc->ContinueTest();
            break;
        case FrameCommand::PauseTest:
            doc->PauseTest();
            break;
        case FrameCommand::StopTest:
            doc->StopTest();
            break;
        case FrameCommand::DeselectClock:
            doc->DeselectClock();
            break;
        case FrameCommand::ViewWave:
            viewWaveExternally(*doc, m_app, m_app.settings(), m_app.tempFolder());
            break;
        default:
            for (const auto& [clockCommand, method] : kClockItems) {
                if (clockCommand == command)
                    doc->setClockingMethod(method);
            }
            break;
        }
    }
    updateCommands();
}

void CMainFrame::OnFindCommand(FrameCommand command, CReportView& log) {
    // F3 before any Find asks for the text, as Find does.
    const bool ask = command == FrameCommand::Find ||
                     (log.findText().isEmpty() &&
                      (command == FrameCommand::FindNext || command == FrameCommand::FindPrevious));
    if (ask) {
        const std::optional<std::string> text =
            m_app.askText("Find", "Find what:", log.findText().toStdString());
        if (!text || text->empty())
            return;
        log.find(QString::fromStdString(*text));
        return;
    }
    switch (command) {
    case FrameCommand::FindNext:
        log.findNext();
        break;
    case FrameCommand::FindPrevious:
        log.findPrevious();
        break;
    case FrameCommand::NextError:
        log.nextError();
        break;
    default:
        log.previousError();
        break;
    }
}

void CMainFrame::OnOptions() {
    const CWizApp::DialogScope dialog(m_app);
    COptionsSheet sheet(m_app.settings(), this);
    if (sheet.exec() == QDialog::Accepted)
        m_app.settingsAccepted();
}

void CMainFrame::OnTypedCommand() {
    CWizDoc* doc = m_app.session();
    if (doc == nullptr)
        return;
    const QString line = m_pCmdList->typedLine();
    const bool hadBoard = doc->board() != nullptr;
    if (doc->ExecuteTypedCommand(line.toStdString())) {
        m_pCmdList->addToHistory(line);
        m_pCmdList->selectTypedText();
    } else if (!hadBoard) {
        m_pCmdList->selectTypedText();
    }
    updateCommands();
}

// --- The run timer ---

void CMainFrame::startRunTimer(int periodMs) {
    m_runTimer.start(std::max(0, periodMs));
    m_pRunMonitor->runStarted();
}

void CMainFrame::killRunTimer() {
    m_runTimer.stop();
}

void CMainFrame::OnRunTimer() {
    // A dialog opened from inside a tick runs its own event loop; ticks must not nest.
    if (m_inTick)
        return;
    CWizDoc* doc = m_app.session();
    if (doc == nullptr) {
        killRunTimer();
        return;
    }
    m_inTick = true;
    const RunState before = doc->runState();
    doc->OnRunTimer(1);
    m_inTick = false;
    // The views follow the run at the monitor's pace, not the ticks'; a tick that ends the cycling
    // shows its outcome at once. Menus change only with the run's state.
    if (doc->runState() != RunState::Cycling)
        m_pRunMonitor->update();
    if (doc->runState() != before)
        updateCommands();
}

// --- Enabling ---

void CMainFrame::updateCommands() {
    if (m_destroying)
        return;
    const CWizDoc* doc = m_app.session();
    const bool open = doc != nullptr;
    const MenuState state = open ? doc->menuState() : MenuState{};

    for (const auto& [command, rule] : kSessionCommands)
        action(command)->setEnabled(open && IsMenuEnabled(rule, state));
    for (const auto& [command, kind] : kViewCommands)
        action(command)->setEnabled(open && (kind != ViewKind::Sram || state.hasBoard));
    for (const auto& [command, method] : kClockItems) {
        action(command)->setEnabled(open && method != ClockMethod::External);
        action(command)->setChecked(open && doc->clockMethod() == method);
    }
    action(FrameCommand::ViewWave)->setEnabled(open && waveViewerEnabled(*doc, m_app.settings()));

    QWidget* active = activeView();
    action(FrameCommand::ViewSramLocation)->setEnabled(qobject_cast<CMemoryView*>(active) != nullptr);
    const bool logActive = qobject_cast<CReportView*>(active) != nullptr;
    for (FrameCommand c : {FrameCommand::Find, FrameCommand::FindNext, FrameCommand::FindPrevious,
                           FrameCommand::NextError, FrameCommand::PreviousError})
        action(c)->setEnabled(logActive);

    const bool editable = editTarget() != nullptr;
    for (FrameCommand c : {FrameCommand::Undo, FrameCommand::Cut, FrameCommand::Copy, FrameCommand::Paste})
        action(c)->setEnabled(editable);

    const std::vector<std::string>& recent = m_app.recentFiles();
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        QAction* entry = m_recentActions[i];
        const bool present = i < recent.size();
        entry->setVisible(present);
        entry->setEnabled(present);
        if (present) {
            QString path = QString::fromStdString(recent[i]);
            entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(
                path.replace(QLatin1Char('&'), QStringLiteral("&&"))));
        }
    }
    m_pRecentSeparator->setVisible(!recent.empty());
    updateCaretPane();
}

// --- Closing and drops ---

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_app.closeSession()) {
        event->ignore();
        return;
    }
    killRunTimer();
    saveMainWindow(*this, m_app.settings());
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && isSessionFile(url.toLocalFile())) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile() || !isSessionFile(url.toLocalFile()))
            continue;
        event->acceptProposedAction();
        // Opened once the drop is over: the prompts must not run inside the drag and drop.
        const std::string path = url.toLocalFile().toStdString();
        QMetaObject::invokeMethod(
            this, [this, path] { m_app.openFromOutside(path); }, Qt::QueuedConnection);
        return;
    }
}

} // namespace cellwatch
