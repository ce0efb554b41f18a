#pragma once
// The window's half of the application: it owns the one session and the frames of its views, answers
// the file and view commands, and is the session's host over Qt (dialogs through its asker, the run
// timer of the main frame, wait cursor, view refreshes). Start-up and exit clean-up live here too.

#include "app/session_host.h"
#include "ui/views/wiz_view.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cellwatch {

class CMainFrame;
class CSplitFrame;
class CWizDoc;
class CWizMDIChild;
class DialogAsker;
class QtSettings;
class TempFolder;
class ViewFactory;
class WizView;

class CWizApp final : public QObject, public SessionHost {
    Q_OBJECT
public:
    // The settings and the temporary folder outlive the application object.
    CWizApp(QtSettings& settings, TempFolder& tempFolder);
    // The exit clean-up: the session goes, then the viewer's temporary files.
    ~CWizApp() override;

    // Replaces the dialogs (tests answer them from a script).
    void setAsker(std::unique_ptr<DialogAsker> asker);
    DialogAsker& asker() { return *m_pAsker; }
    // Replaces the views the frames are made with.
    void setViewFactory(std::unique_ptr<ViewFactory> factory);

    struct StartOptions {
        std::string commandFile; // opened after the main frame is made; empty for none
        bool splash = true;
        bool show = true;
    };
    // The normal start: the temporary folder, the recent files, the main frame, the command line's
    // file, the window shown, then the "App path" check. False when the temporary folder cannot be
    // made (the user has been told).
    bool InitInstance(const StartOptions& options);

    CMainFrame* mainFrame() const { return m_pMainFrame.get(); }
    CWizDoc* session() const { return m_pSession.get(); }
    QtSettings& settings() { return m_settings; }
    // The "HLC_temp" folder.
    std::string tempFolder() const;

    // --- Commands ---
    void OnFileOpen();
    // index counts from 0 (the menu's "&1").
    void OnOpenRecent(int index);
    CWizDoc* OpenSessionFile(const std::string& path);
    // A file from outside (a second copy, a drop): opened as "Open..." does, without its file dialog.
    // While a dialog of ours is open (or any other nested event loop runs) the file is held and
    // opened once the last dialog has closed; of several held files only the newest is opened.
    void openFromOutside(const std::string& path);
    // The file held for opening, if any.
    const std::optional<std::string>& heldHandOver() const { return m_heldHandOver; }

    // Holds files from outside while it lives: made around every dialog the window opens.
    class DialogScope {
    public:
        explicit DialogScope(CWizApp& app);
        ~DialogScope();
        DialogScope(const DialogScope&) = delete;
        DialogScope& operator=(const DialogScope&) = delete;

    private:
        CWizApp& m_app;
    };
    // "&Close": the save prompt, then the session and its frames go. False when the user kept it.
    bool closeSession();
    // The "View" commands: brings the view's frame forward, or makes it when there is none.
    void showView(ViewKind kind);
    // The script editor's caret position for the status bar, as the idle pass and "Save command
    // script as" take it.
    void updateCaretPosition();
    // After the options sheet was accepted.
    void settingsAccepted();

    // The recent files, newest first (at most four).
    const std::vector<std::string>& recentFiles() const { return m_recentFiles; }
    // The frame that holds views of that kind, or null.
    CWizMDIChild* frameOf(ViewKind kind) const;
    // Every view of every frame: a frame's own view, or each pane of a split frame.
    void forEachView(const std::function<void(WizView&)>& visit) const;
    // Which kind of frame frame is (null frames are Script, as no frame is).
    ViewKind kindOfFrame(const CWizMDIChild* frame) const;
    // The title of the main window.
    QString mainTitle() const;

    // --- SessionHost ---
    void messageOk(std::string_view text) override;
    Answer askYesNo(std::string_view text) override;
    Answer askYesNoCancel(std::string_view text) override;
    bool boardNotFound(std::string_view title, std::string_view text, std::string_view checkBoxText) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> askText(std::string_view title, std::string_view label,
                                       std::string_view initial) override;
    void beep() override;
    void beginWaitCursor() override;
    void endWaitCursor() override;
    void startRunTimer(int periodMs) override;
    void killRunTimer() override;
    void updateAllViews() override;
    void openResultLogView() override;
    void splitLogFrame() override;
    void quit(int exitCode) override;
    void scriptSaved(std::string_view path) override;
    void sessionClosing() override;
    std::string localDate() override;
    std::string scratchFolder() override;

Q_SIGNALS:
    // Anything the menus depend on may have changed: the session, its run state, its board, the
    // recent files, the frames.
    void sessionStateChanged();

private:
    void OnIdle();
    // A file from outside must wait: a dialog is open, or some method of the session or a view is
    // still on the stack below a nested event loop.
    bool handOverMustWait() const;
    void postHandOverRelease();
    void releaseHeldHandOver();
    CWizMDIChild* makeFrame(ViewKind kind);
    // The four frames of a new session: hierarchy above the trace list on the left, the script
    // above the result log on the right.
    void arrangeFrames();
    // The SRAM frame opens at the size its view asks for, where it covers no other frame if the
    // window has such room, else in the bottom right corner.
    void placeSramFrame(CSplitFrame& frame);
    void saveFrameLayout();
    // The trace list's frame wide enough for all its columns; 0 without one.
    int traceListFrameWidth() const;
    void destroySession();
    // Clears the session and every frame entry (the frames are going with the session).
    void ForgetSession();
    // The result log or SRAM frame with its two panes, or null.
    CSplitFrame* splitFrameOf(ViewKind kind) const;
    void setPathName(const std::string& path);
    void loadRecentFiles();
    void addRecentFile(const std::string& path);
    void removeRecentFile(std::size_t index);
    void saveRecentFiles();
    std::string boardValue() const;
    void refreshTitles();
    // The waveform's cursor and the result log's clicked sampling line follow each other.
    void linkWaveAndLog(QWidget* view);

    QtSettings& m_settings;
    TempFolder& m_tempFolder;
    std::unique_ptr<DialogAsker> m_pAsker;
    std::unique_ptr<ViewFactory> m_pViewFactory;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CWizDoc> m_pSession;
    // The session whose CloseSession is under way; it goes once that call has returned.
    std::unique_ptr<CWizDoc> m_pClosingSession;
    std::string m_pathName; // the session's file, as the main title shows it
    std::vector<std::string> m_recentFiles;
    int m_waitDepth = 0;
    int m_dialogDepth = 0;
    std::optional<std::string> m_heldHandOver;
    bool m_releasePosted = false;

    // One frame at most of each kind. Each entry is cleared by Qt when its frame goes, whoever closed
    // it, and the session's end forgets them all at once.
    std::map<ViewKind, QPointer<CWizMDIChild>> m_frames;
};

} // namespace cellwatch
