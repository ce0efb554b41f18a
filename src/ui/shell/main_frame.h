#pragma once
// The application's top-level window: menus, tool bar, status bar and the command bar around the
// child frames, the run timer that paces a test, and the decision to close. Every command is one
// QAction made once; updateCommands() alone decides which are enabled and checked.

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <map>

class QDockWidget;
class QLabel;
class QMdiArea;

namespace cellwatch {

class CCmdList;
class CReportView;
class CWizApp;
class RunMonitor;

enum class FrameCommand {
    // File
    Open,
    Close,
    SaveScript,
    SaveScriptAs,
    ExportViewSim,
    SaveTraceWave,
    SaveResultLog,
    Exit,
    // Edit
    Undo,
    Cut,
    Copy,
    Paste,
    Find,
    FindNext,
    FindPrevious,
    NextError,
    PreviousError,
    // View
    ShowHierarchy,
    ShowScript,
    ShowTraceList,
    ShowResultLog,
    ShowSram,
    ShowWaveform,
    ViewSramLocation,
    CommandBar,
    Options,
    // Test
    ParseScript,
    RunTest,
    ContinueTest,
    PauseTest,
    StopTest,
    // Clocking
    DeselectClock,
    NoClock,
    CbufRead,
    CbufAssign,
    RegOut,
    ExternalClock,
    // Wave
    ViewWave,
    // Window
    Cascade,
    Tile,
    // Help
    About,
};

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CWizApp& app);
    ~CMainFrame() override;

    QAction* action(FrameCommand command) const { return m_actions.at(command); }
    // The recent-file entries "&1" to "&4"; hidden while the list has no such entry.
    QAction* recentAction(int index) const { return m_recentActions.at(static_cast<std::size_t>(index)); }
    QMdiArea* mdiArea() const { return m_pMdiArea; }
    QDockWidget* commandBar() const { return m_pCommandBar; }
    CCmdList* cmdList() const { return m_pCmdList; }
    // The message pane and the "CAP", "NUM" and "SCRL" panes, in that order.
    QList<QWidget*> statusPanes() const;
    // The script editor's "Ln %5d, Col %3d" pane, between the message pane and "CAP".
    QLabel* caretPane() const { return m_pCaretPane; }
    // The view of the current child frame (the focused pane of a split frame), or null.
    QWidget* activeView() const;

    // The run timer (id 1): its ticks go to the session's OnRunTimer.
    void startRunTimer(int periodMs);
    void killRunTimer();
    bool runTimerActive() const { return m_runTimer.isActive(); }
    // What the window shows of a run in progress (progress bar, following panes).
    RunMonitor& runMonitor() const { return *m_pRunMonitor; }

    // Enter in the command line: runs the typed line against the board.
    void OnTypedCommand();

public Q_SLOTS:
    // Enables and checks every command from the session's state. The one place that does.
    void updateCommands();
    // Shows the active script editor's caret position as of its last updateCaretPosition, and
    // nothing while another view is active.
    void updateCaretPane();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createCommandBar();
    QAction* makeAction(FrameCommand command, const char* text, const char* statusText);
    void onCommand(FrameCommand command);
    void OnRunTimer();
    void OnOptions();
    // Find, Find next/previous and Next/Previous error in the active result log pane.
    void OnFindCommand(FrameCommand command, CReportView& log);

    CWizApp& m_app;
    QMdiArea* m_pMdiArea = nullptr;
    QDockWidget* m_pCommandBar = nullptr;
    CCmdList* m_pCmdList = nullptr;
    QLabel* m_pMessagePane = nullptr;
    QLabel* m_pCaretPane = nullptr;
    std::array<QLabel*, 3> m_lockPanes{};
    std::map<FrameCommand, QAction*> m_actions;
    std::array<QAction*, 4> m_recentActions{};
    QAction* m_pRecentSeparator = nullptr;
    QTimer m_runTimer;
    RunMonitor* m_pRunMonitor = nullptr;
    bool m_inTick = false;
    bool m_destroying = false;
};

} // namespace cellwatch
