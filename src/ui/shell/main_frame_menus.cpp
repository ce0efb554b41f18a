// The main frame's parts that are made once: one action per command, the menus, the tool bar, the
// status bar with the run monitor, and the command bar. What each command does and when it is
// enabled is in main_frame.cpp.

#include "ui/shell/main_frame.h"

#include "app/cwiz_doc.h"
#include "platform/qt_settings.h"
#include "ui/look/frame_icons.h"
#include "ui/look/product_text.h"
#include "ui/shell/cmd_list.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/main_frame_tables.h"
#include "ui/shell/run_monitor.h"

#include <QActionGroup>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace cellwatch {

using namespace frame_tables;

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

} // namespace cellwatch
