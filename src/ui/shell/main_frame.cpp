#include "ui/shell/main_frame.h"

#include "app/cwiz_doc.h"
#include "app/menu_rules.h"
#include "platform/qt_settings.h"
#include "ui/dialogs/about_box.h"
#include "ui/shell/cmd_list.h"
#include "ui/shell/context_menu_keys.h"
#include "ui/shell/cwiz_app.h"
#include "ui/look/frame_icons.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/sram/memory_view.h"
#include "ui/dialogs/options_sheet.h"
#include "ui/look/product_text.h"
#include "ui/views/log/report_view.h"
#include "ui/shell/run_monitor.h"
#include "ui/dialogs/wave_viewer.h"
#include "ui/shell/window_layout.h"
#include "ui/shell/wiz_frames.h"

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

namespace {

// The clocking items in the order of their methods.
constexpr std::array<std::pair<FrameCommand, ClockMethod>, 5> kClockItems{{
    {FrameCommand::NoClock, ClockMethod::None},
    {FrameCommand::CbufRead, ClockMethod::CbufRead},
    {FrameCommand::CbufAssign, ClockMethod::CbufAssign},
    {FrameCommand::RegOut, ClockMethod::RegOut},
    {FrameCommand::ExternalClock, ClockMethod::External},
}};

// The session commands and the rule that enables each.
constexpr std::array<std::pair<FrameCommand, MenuCommand>, 12> kSessionCommands{{
    {FrameCommand::Close, MenuCommand::Close},
    {FrameCommand::SaveScript, MenuCommand::SaveScript},
    {FrameCommand::SaveScriptAs, MenuCommand::SaveScriptAs},
    {FrameCommand::ExportViewSim, MenuCommand::ExportViewSim},
    {FrameCommand::SaveTraceWave, MenuCommand::SaveTraceWave},
    {FrameCommand::SaveResultLog, MenuCommand::SaveResultLog},
    {FrameCommand::ParseScript, MenuCommand::ParseScript},
    {FrameCommand::RunTest, MenuCommand::RunTest},
    {FrameCommand::ContinueTest, MenuCommand::ContinueTest},
    {FrameCommand::PauseTest, MenuCommand::PauseTest},
    {FrameCommand::StopTest, MenuCommand::StopTest},
    {FrameCommand::DeselectClock, MenuCommand::DeselectClock},
}};

constexpr std::array<std::pair<FrameCommand, ViewKind>, 6> kViewCommands{{
    {FrameCommand::ShowHierarchy, ViewKind::Hierarchy},
    {FrameCommand::ShowScript, ViewKind::Script},
    {FrameCommand::ShowTraceList, ViewKind::TraceList},
    {FrameCommand::ShowResultLog, ViewKind::ResultLog},
    {FrameCommand::ShowSram, ViewKind::Sram},
    {FrameCommand::ShowWaveform, ViewKind::Waveform},
}};

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

QAction* CMainFrame::makeAction(FrameCommand command, const char* text, const char* statusText) {
    // Texts are written as the menu shows them: "&Run test\tF5" carries its accelerator after the tab,
    // and "status text\ntool tip" splits the fly-by text from the tip.
    const QString full = QString::fromLatin1(text);
    const qsizetype tab = full.indexOf(QLatin1Char('\t'));
    auto* action = new QAction(tab < 0 ? full : full.left(tab), this);
    if (tab >= 0)
        action->setShortcut(QKeySequence::fromString(full.mid(tab + 1)));
    const QString status = QString::fromLatin1(statusText);
    const qsizetype newline = status.indexOf(QLatin1Char('\n'));
    action->setStatusTip(newline < 0 ? status : status.left(newline));
    if (newline >= 0)
        action->setToolTip(status.mid(newline + 1));
    m_actions[command] = action;
    connect(action, &QAction::triggered, this, [this, command] { onCommand(command); });
    return action;
}

void CMainFrame::createActions() {
    makeAction(FrameCommand::Open, "&Open...\tCtrl+O", "Open a command script or a symbol table\nOpen");
    makeAction(FrameCommand::Close, "&Close", "Close the session\nClose");
    makeAction(FrameCommand::SaveScript, "&Save command script...", "Save the command script\nSave");
    makeAction(FrameCommand::SaveScriptAs, "Save command script &as...",
               "Save the command script under a new name\nSave as");
    makeAction(FrameCommand::ExportViewSim, "Export &View Sim command script...",
               "Export the commands script in View Sim format");
    makeAction(FrameCommand::SaveTraceWave, "Save trace &wave...",
               "Save the trace as a VCD waveform file\nSave wave");
    makeAction(FrameCommand::SaveResultLog, "Save result &log...",
               "Save the result log as a text file\nSave log");
    makeAction(FrameCommand::Exit, "E&xit", "Quit the application; offers to save the script\nExit");

    makeAction(FrameCommand::Undo, "&Undo\tCtrl+Z", "Undo the last edit\nUndo");
    makeAction(FrameCommand::Cut, "Cu&t\tCtrl+X", "Cut the selection to the clipboard\nCut");
    makeAction(FrameCommand::Copy, "&Copy\tCtrl+C", "Copy the selection to the clipboard\nCopy");
    makeAction(FrameCommand::Paste, "&Paste\tCtrl+V", "Insert the clipboard's text\nPaste");
    makeAction(FrameCommand::Find, "&Find...\tCtrl+F", "Find a text in the result log\nFind");
    makeAction(FrameCommand::FindNext, "Find &next\tF3", "Find the text again further down\nFind next");
    makeAction(FrameCommand::FindPrevious, "Find pre&vious\tShift+F3",
               "Find the text again further up\nFind previous");
    makeAction(FrameCommand::NextError, "Next &error\tF2",
               "Go to the next error line of the result log\nNext error");
    makeAction(FrameCommand::PreviousError, "Previous e&rror\tShift+F2",
               "Go to the previous error line of the result log\nPrevious error");

    makeAction(FrameCommand::ShowHierarchy, "&Design hierarchy\tAlt+1",
               "Show the design hierarchy\nDesign hierarchy");
    makeAction(FrameCommand::ShowScript, "&Command script\tAlt+2", "Show the command script\nCommand script");
    makeAction(FrameCommand::ShowTraceList, "&Trace list\tAlt+3", "Show the traced components\nTrace list");
    makeAction(FrameCommand::ShowResultLog, "&Result log\tAlt+4", "Show the result log\nResult log");
    makeAction(FrameCommand::ShowSram, "SR&AM contents\tAlt+5",
               "Show the board's SRAM contents\nSRAM contents");
    makeAction(FrameCommand::ShowWaveform, "&Waveform\tAlt+6", "Show the traced components as waveforms\nWaveform");
    makeAction(FrameCommand::ViewSramLocation, "&View SRAM location...",
               "Bring an SRAM address to the top of the SRAM view\nView SRAM location");
    makeAction(FrameCommand::Options, "&Options...", "Set options for LC3400 Cellwatch Test\nOptions");

    makeAction(FrameCommand::ParseScript, "Parse script\tF9", "Parse the command script\nParse script (F9)");
    makeAction(FrameCommand::RunTest, "&Run test\tF5", "Run the command script on the board\nRun test (F5)");
    makeAction(FrameCommand::ContinueTest, "&Continue test\tF6",
               "Continue the paused test\nContinue test (F6)");
    makeAction(FrameCommand::PauseTest, "&Pause test\tF7", "Pause the running test\nPause test (F7)");
    makeAction(FrameCommand::StopTest, "&Stop test\tF8", "Stop the test\nStop test (F8)");

    makeAction(FrameCommand::DeselectClock, "&Deselect clock",
               "Drop the software clock register\nDeselect clock");
    makeAction(FrameCommand::NoClock, "&No clock", "No software controled clock in circuit");
    makeAction(FrameCommand::CbufRead, "CBUF &read", "CBUF read method used to clock circuit");
    makeAction(FrameCommand::CbufAssign, "CBUF &assign", "CBUF assign method used to clock circuit");
    makeAction(FrameCommand::RegOut, "&REG 0/1", "REG output method used to clock circuit");
    makeAction(FrameCommand::ExternalClock, "&External clock", "G1 driven externally");
    auto* methods = new QActionGroup(this);
    for (const auto& [command, method] : kClockItems) {
        m_actions[command]->setCheckable(true);
        methods->addAction(m_actions[command]);
    }

    makeAction(FrameCommand::ViewWave, "View wave &externally\tF4",
               "View trace using external wave viewer\nView wave (F4)");
    makeAction(FrameCommand::Cascade, "&Cascade", "Arrange the windows so they overlap\nCascade");
    makeAction(FrameCommand::Tile, "&Tile", "Arrange the windows side by side\nTile");
    makeAction(FrameCommand::About, "&About LC3400 Cellwatch...",
               "Show the program's name and release\nAbout");

    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        auto* action = new QAction(this);
        action->setStatusTip(QStringLiteral("Open this session file"));
        connect(action, &QAction::triggered, this, [this, i] {
            m_app.OnOpenRecent(static_cast<int>(i));
            updateCommands();
        });
        m_recentActions[i] = action;
    }
}

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(action(FrameCommand::Open));
    file->addAction(action(FrameCommand::Close));
    file->addSeparator();
    file->addAction(action(FrameCommand::SaveScript));
    file->addAction(action(FrameCommand::SaveScriptAs));
    file->addAction(action(FrameCommand::ExportViewSim));
    file->addSeparator();
    file->addAction(action(FrameCommand::SaveTraceWave));
    file->addAction(action(FrameCommand::SaveResultLog));
    m_pRecentSeparator = file->addSeparator();
    for (QAction* recent : m_recentActions)
        file->addAction(recent);
    file->addSeparator();
    file->addAction(action(FrameCommand::Exit));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    for (FrameCommand c : {FrameCommand::Undo, FrameCommand::Cut, FrameCommand::Copy, FrameCommand::Paste})
        edit->addAction(action(c));
    edit->insertSeparator(action(FrameCommand::Cut));
    edit->addSeparator();
    for (FrameCommand c : {FrameCommand::Find, FrameCommand::FindNext, FrameCommand::FindPrevious})
        edit->addAction(action(c));
    edit->addSeparator();
    edit->addAction(action(FrameCommand::NextError));
    edit->addAction(action(FrameCommand::PreviousError));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    for (const auto& [command, kind] : kViewCommands)
        view->addAction(action(command));
    view->addAction(action(FrameCommand::ViewSramLocation));
    view->addSeparator();
    view->addAction(action(FrameCommand::CommandBar));
    view->addSeparator();
    view->addAction(action(FrameCommand::Options));

    QMenu* test = menuBar()->addMenu(QStringLiteral("&Test"));
    test->addAction(action(FrameCommand::ParseScript));
    test->addSeparator();
    for (FrameCommand c :
         {FrameCommand::RunTest, FrameCommand::ContinueTest, FrameCommand::PauseTest, FrameCommand::StopTest})
        test->addAction(action(c));

    QMenu* clocking = menuBar()->addMenu(QStringLiteral("&Clocking"));
    QMenu* method = clocking->addMenu(QStringLiteral("Clocking &method..."));
    for (const auto& [command, m] : kClockItems)
        method->addAction(action(command));
    clocking->addAction(action(FrameCommand::DeselectClock));

    QMenu* wave = menuBar()->addMenu(QStringLiteral("Wa&ve"));
    wave->addAction(action(FrameCommand::ViewWave));

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(action(FrameCommand::Cascade));
    window->addAction(action(FrameCommand::Tile));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(action(FrameCommand::About));
}

void CMainFrame::createToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("Standard"));
    bar->setAllowedAreas(Qt::LeftToolBarArea | Qt::TopToolBarArea | Qt::RightToolBarArea);
    bar->setIconSize(QSize(20, 20));
    const struct {
        FrameCommand command;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {FrameCommand::Open, QStyle::SP_DialogOpenButton},
        {FrameCommand::SaveScript, QStyle::SP_DialogSaveButton},
        {FrameCommand::ParseScript, QStyle::SP_DialogApplyButton},
        {FrameCommand::RunTest, QStyle::SP_MediaPlay},
        {FrameCommand::ContinueTest, QStyle::SP_MediaSeekForward},
        {FrameCommand::PauseTest, QStyle::SP_MediaPause},
        {FrameCommand::StopTest, QStyle::SP_MediaStop},
        {FrameCommand::ViewWave, QStyle::SP_CustomBase},
        {FrameCommand::About, QStyle::SP_MessageBoxQuestion},
    };
    for (const auto& button : buttons) {
        QAction* a = action(button.command);
        a->setIcon(button.icon == QStyle::SP_CustomBase ? waveIcon() : style()->standardIcon(button.icon));
        if (button.command == FrameCommand::ParseScript || button.command == FrameCommand::ViewWave ||
            button.command == FrameCommand::About)
            bar->addSeparator();
        bar->addAction(a);
    }
}

void CMainFrame::createStatusBar() {
    m_pMessagePane = new QLabel(QStringLiteral("Ready"));
    statusBar()->addWidget(m_pMessagePane, 1);
    // Wide enough for the widest position the format gives, so the bar does not jump while typing.
    m_pCaretPane = new QLabel;
    m_pCaretPane->setObjectName(QStringLiteral("CaretPane"));
    m_pCaretPane->setMinimumWidth(
        m_pCaretPane->fontMetrics().horizontalAdvance(QStringLiteral("Ln        , Col          ")) + 12);
    statusBar()->addPermanentWidget(m_pCaretPane);
    const char* names[] = {"CAP", "NUM", "SCRL"};
    for (std::size_t i = 0; i < m_lockPanes.size(); ++i) {
        auto* pane = new QLabel(QString::fromLatin1(names[i]));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        // Qt cannot read the lock keys' state on Linux, so the panes show as switched off.
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
        m_lockPanes[i] = pane;
    }
    m_pRunMonitor = new RunMonitor(m_app, *statusBar(), this);
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

void CMainFrame::createCommandBar() {
    m_pCommandBar = new QDockWidget(QStringLiteral("Command Bar"), this);
    m_pCommandBar->setObjectName(QStringLiteral("CommandBar"));
    m_pCommandBar->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_pCommandBar->setFeatures(QDockWidget::DockWidgetClosable);
    auto* contents = new QWidget(m_pCommandBar);
    auto* layout = new QHBoxLayout(contents);
    layout->setContentsMargins(10, 6, 10, 6);
    m_pCmdList = new CCmdList(contents);
    m_pCmdList->setObjectName(QStringLiteral("CmdList"));
    m_pCmdList->setMinimumWidth(350);
    layout->addWidget(m_pCmdList);
    layout->addStretch(1);
    m_pCommandBar->setWidget(contents);
    addDockWidget(Qt::BottomDockWidgetArea, m_pCommandBar);
    connect(m_pCmdList, &CCmdList::lineEntered, this, &CMainFrame::OnTypedCommand);

    // The bar's own show/hide action is the "Command Bar" item, checked while the bar is shown.
    QAction* toggle = m_pCommandBar->toggleViewAction();
    toggle->setText(QStringLiteral("Co&mmand Bar"));
    toggle->setStatusTip(QStringLiteral("Show or hide the command bar"));
    m_actions[FrameCommand::CommandBar] = toggle;
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
