#include "ui/shell/cwiz_app.h"

#include "app/cwiz_doc.h"
#include "board/board_selection.h"
#include "platform/app_path.h"
#include "platform/local_date.h"
#include "platform/qt_settings.h"
#include "platform/settings_catalogue.h"
#include "platform/temp_folder.h"
#include "ui/dialogs/splash_window.h"
#include "ui/look/product_text.h"
#include "ui/shell/dialog_asker.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/window_layout.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/cmd_view.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/sram/memory_view.h"
#include "ui/views/view_factory.h"
#include "ui/views/wave/wave_link.h"
#include "ui/views/wave/wave_view.h"
#include "ui/views/window_views.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace cellwatch {

namespace {

constexpr int kMaxAutoSplit = 240;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string absolutePath(const std::string& path) {
    return QFileInfo(qs(path)).absoluteFilePath().toStdString();
}

} // namespace

CWizApp::CWizApp(QtSettings& settings, TempFolder& tempFolder)
    : m_settings(settings), m_tempFolder(tempFolder), m_pAsker(std::make_unique<QtDialogAsker>()),
      m_pViewFactory(makeWindowViewFactory()) {
    // The idle-time work runs each time the event loop runs out of events.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CWizApp::OnIdle);
}

CWizApp::~CWizApp() {
    destroySession();
    m_pMainFrame.reset();
    if (m_tempFolder.isPrepared())
        m_tempFolder.removeLeftovers();
    m_settings.sync();
}

void CWizApp::setAsker(std::unique_ptr<DialogAsker> asker) {
    if (asker)
        m_pAsker = std::move(asker);
}

void CWizApp::setViewFactory(std::unique_ptr<ViewFactory> factory) {
    if (factory)
        m_pViewFactory = std::move(factory);
}

bool CWizApp::InitInstance(const StartOptions& options) {
    loadRecentFiles();
    m_pMainFrame = std::make_unique<CMainFrame>(*this);
    connect(this, &CWizApp::sessionStateChanged, m_pMainFrame.get(), &CMainFrame::updateCommands);
    // Sessions keep their trace cache in the private folder, so it is made before any file opens.
    if (!m_tempFolder.prepare()) {
        messageOk("The temporary folder could not be prepared.");
        return false;
    }
    if (options.show)
        m_pMainFrame->show();
    if (options.splash)
        showSplash(m_pMainFrame.get());
    if (!options.commandFile.empty())
        OpenSessionFile(absolutePath(options.commandFile));
    if (locateAppPath(m_settings).warn)
        messageOk(kRegistryEntryMessage);
    refreshTitles();
    Q_EMIT sessionStateChanged();
    return true;
}

std::string CWizApp::tempFolder() const {
    return m_tempFolder.path();
}

// --- Opening and closing ---

void CWizApp::OnFileOpen() {
    if (m_pSession &&
        askYesNo("You already have a document open. Would you like to close it?") != Answer::Yes)
        return;
    FileDialogRequest request;
    request.title = "Open file";
    request.filter = "Test files (*.cmd, *.sym)|*.cmd;*.sym|Symbol table (*.sym)|*.sym|Command script "
                     "(*.cmd)|*.cmd|All files (*.*)|*.*";
    request.startFolder = m_settings.readString(settings::kEnvironment, settings::kLastPath, "");
    request.mustExist = true;
    const std::optional<std::string> path = openFileDialog(request);
    if (!path)
        return;
    if (!closeSession())
        return;
    OpenSessionFile(*path);
}

void CWizApp::OnOpenRecent(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_recentFiles.size())
        return;
    if (m_pSession &&
        askYesNo("You already have a document open. Would you like to close it?") != Answer::Yes)
        return;
    if (!closeSession())
        return;
    const std::string path = m_recentFiles[static_cast<std::size_t>(index)];
    if (OpenSessionFile(path) == nullptr) {
        const auto it = std::find(m_recentFiles.begin(), m_recentFiles.end(), path);
        if (it != m_recentFiles.end())
            removeRecentFile(static_cast<std::size_t>(it - m_recentFiles.begin()));
    }
}

CWizApp::DialogScope::DialogScope(CWizApp& app) : m_app(app) {
    ++m_app.m_dialogDepth;
}

CWizApp::DialogScope::~DialogScope() {
    if (--m_app.m_dialogDepth == 0 && m_app.m_heldHandOver)
        m_app.postHandOverRelease();
}

bool CWizApp::handOverMustWait() const {
    // The application's own loop is level 1; a deeper one is a dialog, a menu or a drag, whose
    // caller must not find its session or view gone when it returns.
    return m_dialogDepth > 0 || QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr || QThread::currentThread()->loopLevel() > 1;
}

void CWizApp::postHandOverRelease() {
    if (m_releasePosted)
        return;
    m_releasePosted = true;
    QMetaObject::invokeMethod(this, &CWizApp::releaseHeldHandOver, Qt::QueuedConnection);
}

void CWizApp::releaseHeldHandOver() {
    m_releasePosted = false;
    if (!m_heldHandOver || handOverMustWait())
        return; // the end of the dialog or the next idle pass tries again
    const std::string path = *m_heldHandOver;
    m_heldHandOver.reset();
    openFromOutside(path);
}

void CWizApp::openFromOutside(const std::string& path) {
    if (handOverMustWait()) {
        // Opening now would close the session under whoever opened the dialog. One session is open
        // at a time, so only the newest file is kept.
        m_heldHandOver = path;
        return;
    }
    if (m_pSession &&
        askYesNo("You already have a document open. Would you like to close it?") != Answer::Yes)
        return;
    if (!closeSession())
        return;
    OpenSessionFile(absolutePath(path));
}

CWizDoc* CWizApp::OpenSessionFile(const std::string& path) {
    destroySession();
    beginWaitCursor();
    m_pSession = std::make_unique<CWizDoc>(*this, m_settings, boardValue());
    if (!m_pSession->OpenSession(path)) {
        m_pSession.reset();
        endWaitCursor();
        Q_EMIT sessionStateChanged();
        return nullptr;
    }
    setPathName(path);
    for (ViewKind kind : {ViewKind::Hierarchy, ViewKind::TraceList, ViewKind::Script, ViewKind::ResultLog})
        makeFrame(kind);
    arrangeFrames();
    m_pSession->ParseScript();
    if (!m_pSession->traceList().empty()) {
        makeFrame(ViewKind::Waveform);
        arrangeFrames();
    }
    m_pSession->RefreshLogViews(true);
    endWaitCursor();
    refreshTitles();
    Q_EMIT sessionStateChanged();
    return m_pSession.get();
}

bool CWizApp::closeSession() {
    if (!m_pSession)
        return true;
    if (!m_pSession->ConfirmClose())
        return false;
    destroySession();
    return true;
}

void CWizApp::destroySession() {
    if (!m_pSession)
        return;
    if (m_pMainFrame)
        m_pMainFrame->killRunTimer();
    m_pSession->CloseSession();
    // sessionClosing() has moved the session aside and destroyed its frames.
    m_pClosingSession.reset();
    m_pSession.reset();
    m_pathName.clear();
    refreshTitles();
    Q_EMIT sessionStateChanged();
}

void CWizApp::sessionClosing() {
    saveFrameLayout();
    // The views leave the session in their destructors, so they go while it still exists.
    for (auto& [kind, frame] : m_frames)
        delete frame.data();
    m_pClosingSession = std::move(m_pSession);
    ForgetSession();
}

void CWizApp::ForgetSession() {
    m_pSession.reset();
    m_frames.clear();
}

std::string CWizApp::boardValue() const {
    const char* environment = std::getenv(kBoardEnvironmentVariable);
    return chooseBoardValue("", environment != nullptr ? environment : "",
                            m_settings.readString(settings::kEnvironment, settings::kBoard, ""));
}

// --- Titles and idle time ---

QString CWizApp::mainTitle() const {
    const QString product = QString::fromLatin1(kProductName);
    // The script view's title names what is being edited, with its modified mark.
    const CWizMDIChild* scriptFrame = frameOf(ViewKind::Script);
    if (const auto* script = scriptFrame != nullptr ? qobject_cast<const CCmdView*>(scriptFrame->activeView()) : nullptr)
        return product + QStringLiteral(" - ") + script->title();
    if (m_pathName.empty())
        return product;
    return product + QStringLiteral(" - ") + QFileInfo(qs(m_pathName)).fileName();
}

void CWizApp::refreshTitles() {
    if (m_pMainFrame)
        m_pMainFrame->setWindowTitle(mainTitle());
    if (CWizMDIChild* script = frameOf(ViewKind::Script))
        script->refreshTitle();
}

void CWizApp::OnIdle() {
    if (m_heldHandOver && !handOverMustWait())
        postHandOverRelease();
    // The editor's refresh notices a change of its modified flag and marks the titles changed.
    updateCaretPosition();
    if (m_pSession && frameOf(ViewKind::Script) != nullptr && m_pSession->titleChanged()) {
        refreshTitles();
        m_pSession->acknowledgeTitleChange();
    }
}

void CWizApp::updateCaretPosition() {
    CWizMDIChild* script = frameOf(ViewKind::Script);
    if (script == nullptr)
        return;
    if (auto* editor = qobject_cast<CGRTEditView*>(script->activeView()))
        editor->updateCaretPosition();
}

void CWizApp::setPathName(const std::string& path) {
    m_pathName = path;
    addRecentFile(path);
    refreshTitles();
}

// --- Recent files ---

void CWizApp::loadRecentFiles() {
    m_recentFiles.clear();
    for (std::string_view key : settings::kRecentFileKeys) {
        std::string path = m_settings.readString(settings::kRecentFileList, key, "");
        if (!path.empty())
            m_recentFiles.push_back(std::move(path));
    }
}

void CWizApp::addRecentFile(const std::string& path) {
    const std::string file = absolutePath(path);
    std::erase(m_recentFiles, file);
    m_recentFiles.insert(m_recentFiles.begin(), file);
    if (m_recentFiles.size() > static_cast<std::size_t>(settings::kRecentFileCount))
        m_recentFiles.resize(settings::kRecentFileCount);
    saveRecentFiles();
}

void CWizApp::removeRecentFile(std::size_t index) {
    m_recentFiles.erase(m_recentFiles.begin() + static_cast<std::ptrdiff_t>(index));
    saveRecentFiles();
}

void CWizApp::saveRecentFiles() {
    for (std::size_t i = 0; i < settings::kRecentFileKeys.size(); ++i) {
        if (i < m_recentFiles.size())
            m_settings.writeString(settings::kRecentFileList, settings::kRecentFileKeys[i], m_recentFiles[i]);
        else
            m_settings.remove(settings::kRecentFileList, settings::kRecentFileKeys[i]);
    }
    m_settings.sync();
    Q_EMIT sessionStateChanged();
}

// --- SessionHost ---

void CWizApp::messageOk(std::string_view text) {
    const DialogScope dialog(*this);
    m_pAsker->messageOk(m_pMainFrame.get(), text);
}

Answer CWizApp::askYesNo(std::string_view text) {
    const DialogScope dialog(*this);
    return m_pAsker->askYesNo(m_pMainFrame.get(), text);
}

Answer CWizApp::askYesNoCancel(std::string_view text) {
    const DialogScope dialog(*this);
    return m_pAsker->askYesNoCancel(m_pMainFrame.get(), text);
}

bool CWizApp::boardNotFound(std::string_view title, std::string_view text, std::string_view checkBoxText) {
    const DialogScope dialog(*this);
    return m_pAsker->warnWithCheckBox(m_pMainFrame.get(), title, text, checkBoxText);
}

std::optional<std::string> CWizApp::openFileDialog(const FileDialogRequest& request) {
    const DialogScope dialog(*this);
    return m_pAsker->openFile(m_pMainFrame.get(), request);
}

std::optional<std::string> CWizApp::saveFileDialog(const FileDialogRequest& request) {
    const DialogScope dialog(*this);
    return m_pAsker->saveFile(m_pMainFrame.get(), request);
}

std::optional<std::string> CWizApp::askText(std::string_view title, std::string_view label,
                                            std::string_view initial) {
    const DialogScope dialog(*this);
    return m_pAsker->askText(m_pMainFrame.get(), title, label, initial);
}

void CWizApp::beep() {
    QApplication::beep();
}

void CWizApp::beginWaitCursor() {
    if (m_waitDepth++ == 0)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CWizApp::endWaitCursor() {
    if (m_waitDepth > 0 && --m_waitDepth == 0)
        QApplication::restoreOverrideCursor();
}

void CWizApp::startRunTimer(int periodMs) {
    if (m_pMainFrame)
        m_pMainFrame->startRunTimer(periodMs);
}

void CWizApp::killRunTimer() {
    if (m_pMainFrame)
        m_pMainFrame->killRunTimer();
}

void CWizApp::updateAllViews() {
    forEachView([](WizView& view) { view.documentUpdated(); });
    for (const auto& [kind, frame] : m_frames) {
        if (frame == nullptr || frame->widget() == nullptr)
            continue;
        frame->widget()->update();
        for (QWidget* pane : frame->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            pane->update();
    }
    Q_EMIT sessionStateChanged();
}

void CWizApp::openResultLogView() {
    if (m_pSession && frameOf(ViewKind::ResultLog) == nullptr)
        makeFrame(ViewKind::ResultLog);
}

void CWizApp::splitLogFrame() {
    CSplitFrame* log = splitFrameOf(ViewKind::ResultLog);
    if (log == nullptr || log->splitWnd()->isSplit())
        return;
    const QWidget* shown = log->splitWnd()->widget(log->splitWnd()->count() - 1);
    log->splitWnd()->splitRow(std::min(shown->height() / 2, kMaxAutoSplit));
}

void CWizApp::quit(int exitCode) {
    QCoreApplication::exit(exitCode);
}

void CWizApp::scriptSaved(std::string_view path) {
    setPathName(std::string(path));
}

std::string CWizApp::localDate() {
    return currentLocalDate();
}

std::string CWizApp::scratchFolder() {
    return m_tempFolder.privatePath();
}

} // namespace cellwatch
