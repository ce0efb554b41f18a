#include "ui/shell/cwiz_app.h"

#include "app/cwiz_doc.h"
#include "board/board_selection.h"
#include "platform/app_path.h"
#include "platform/local_date.h"
#include "platform/qt_settings.h"
#include "platform/settings_catalogue.h"
#include "platform/temp_folder.h"
#include "ui/views/script/cmd_view.h"
#include "ui/shell/dialog_asker.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/shell/main_frame.h"
#include "ui/views/sram/memory_view.h"
#include "ui/look/product_text.h"
#include "ui/dialogs/splash_window.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/view_factory.h"
#include "ui/views/wave/wave_link.h"
#include "ui/views/wave/wave_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/window_views.h"
#include "ui/shell/window_layout.h"
#include "ui/shell/wiz_frames.h"

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

// --- Frames ---

CWizMDIChild* CWizApp::makeFrame(ViewKind kind) {
    CWizDoc& doc = *m_pSession;
    CWizMDIChild* frame = nullptr;
    if (kind == ViewKind::ResultLog || kind == ViewKind::Sram) {
        // The bottom pane is made last, so it is the log view that follows the end of the log.
        QWidget* top = m_pViewFactory->makeView(kind, doc, nullptr);
        QWidget* bottom = m_pViewFactory->makeView(kind, doc, nullptr);
        frame = new CSplitFrame(&doc, top, bottom);
    } else {
        frame = new CWizMDIChild(&doc, m_pViewFactory->makeView(kind, doc, nullptr));
    }
    m_frames[kind] = frame;
    if (kind == ViewKind::ResultLog) {
        for (QWidget* pane : frame->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            linkWaveAndLog(pane);
    } else {
        linkWaveAndLog(frame->widget());
    }
    if (m_pMainFrame) {
        m_pMainFrame->mdiArea()->addSubWindow(frame);
        frame->show();
        connect(frame, &QObject::destroyed, this, &CWizApp::sessionStateChanged);
        if (auto* editor = qobject_cast<CGRTEditView*>(frame->activeView()))
            connect(editor, &CGRTEditView::caretMoved, m_pMainFrame.get(), &CMainFrame::updateCaretPane);
        if (kind == ViewKind::Sram)
            placeSramFrame(*splitFrameOf(ViewKind::Sram));
    }
    return frame;
}

void CWizApp::placeSramFrame(CSplitFrame& frame) {
    const auto* view = dynamic_cast<const CMemoryView*>(frame.splitWnd()->widget(frame.splitWnd()->count() - 1));
    if (view == nullptr || frame.widget() == nullptr)
        return;
    const QRect area(QPoint(0, 0), m_pMainFrame->mdiArea()->viewport()->size());
    // The view takes the splitter's bottom pane below the handle of the closed top pane.
    const QSize decoration = frame.size() - frame.widget()->size();
    const QSize wanted = view->openingSize() + QSize(0, frame.splitWnd()->handleWidth()) + decoration;
    const QSize size = wanted.boundedTo(area.size());
    std::vector<QRect> others;
    for (const QMdiSubWindow* other : m_pMainFrame->mdiArea()->subWindowList()) {
        if (other != &frame && other->isVisible() && !other->isMinimized())
            others.push_back(other->geometry());
    }
    // Free places start at the area's corner or where another frame ends.
    std::vector<int> xs{0}, ys{0};
    for (const QRect& r : others) {
        xs.push_back(r.right() + 1);
        ys.push_back(r.bottom() + 1);
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    for (int y : ys) {
        for (int x : xs) {
            const QRect place(QPoint(x, y), size);
            if (!area.contains(place))
                continue;
            if (std::none_of(others.begin(), others.end(), [&place](const QRect& r) { return r.intersects(place); })) {
                frame.setGeometry(place);
                return;
            }
        }
    }
    frame.setGeometry(QRect(area.bottomRight() - QPoint(size.width() - 1, size.height() - 1), size));
}

void CWizApp::linkWaveAndLog(QWidget* view) {
    if (auto* wave = qobject_cast<WaveView*>(view)) {
        connect(wave, &WaveView::cursorMoved, this, [this](quint64 stamp) {
            if (m_pSession)
                showStampInLogs(*m_pSession, stamp);
        });
    } else if (auto* log = qobject_cast<CReportView*>(view)) {
        connect(log, &CReportView::lineClicked, this, [this, log](int n) {
            CWizMDIChild* frame = frameOf(ViewKind::Waveform);
            auto* wave = frame != nullptr ? qobject_cast<WaveView*>(frame->widget()) : nullptr;
            if (wave == nullptr)
                return;
            if (const std::optional<std::uint64_t> stamp = stampOfLine(*log, n))
                wave->setCursor(*stamp, false);
        });
    }
}

void CWizApp::saveFrameLayout() {
    if (!m_pMainFrame)
        return;
    const QSize area = m_pMainFrame->mdiArea()->viewport()->size();
    for (const auto& [kind, frame] : m_frames) {
        if (frame != nullptr && !frame->isMinimized() && !frame->isMaximized())
            saveFramePlace(m_settings, kind, frame->geometry(), area);
    }
}

int CWizApp::traceListFrameWidth() const {
    CWizMDIChild* frame = frameOf(ViewKind::TraceList);
    auto* list = frame != nullptr ? qobject_cast<CTraceView*>(frame->widget()) : nullptr;
    if (list == nullptr)
        return 0;
    // The frame's border and title bar around the list, as the area's style draws them.
    const int border = std::max(16, frame->width() - list->width());
    return list->fullWidth() + border;
}

void CWizApp::arrangeFrames() {
    if (!m_pMainFrame)
        return;
    const QSize area = m_pMainFrame->mdiArea()->viewport()->size();
    // The left column shows the trace list's five columns whole, within half the area.
    const int left = std::clamp(traceListFrameWidth(), area.width() / 4, std::max(area.width() / 4, area.width() / 2));
    const int top = area.height() / 2;
    // With a waveform, the right column holds script, waveform and log one above the other.
    const bool wave = frameOf(ViewKind::Waveform) != nullptr;
    const int scriptBottom = wave ? area.height() * 7 / 20 : top;
    const int logTop = wave ? area.height() * 11 / 20 : top;
    const struct {
        ViewKind kind;
        QRect place;
    } places[] = {
        {ViewKind::Hierarchy, QRect(0, 0, left, top)},
        {ViewKind::TraceList, QRect(0, top, left, area.height() - top)},
        {ViewKind::Script, QRect(left, 0, area.width() - left, scriptBottom)},
        {ViewKind::Waveform, QRect(left, scriptBottom, area.width() - left, logTop - scriptBottom)},
        {ViewKind::ResultLog, QRect(left, logTop, area.width() - left, area.height() - logTop)},
    };
    // A layout the user left behind wins over the default, scaled to the area as it is now.
    bool saved = true;
    for (const auto& p : places) {
        if (frameOf(p.kind) != nullptr && !savedFramePlace(m_settings, p.kind, area))
            saved = false;
    }
    for (const auto& p : places) {
        CWizMDIChild* frame = frameOf(p.kind);
        if (frame == nullptr)
            continue;
        const std::optional<QRect> place = saved ? savedFramePlace(m_settings, p.kind, area) : std::nullopt;
        frame->setGeometry(place.value_or(p.place));
    }
}

ViewKind CWizApp::kindOfFrame(const CWizMDIChild* frame) const {
    for (const auto& [kind, known] : m_frames) {
        if (frame != nullptr && known == frame)
            return kind;
    }
    return ViewKind::Script;
}

CWizMDIChild* CWizApp::frameOf(ViewKind kind) const {
    const auto it = m_frames.find(kind);
    return it != m_frames.end() ? it->second.data() : nullptr;
}

CSplitFrame* CWizApp::splitFrameOf(ViewKind kind) const {
    return qobject_cast<CSplitFrame*>(frameOf(kind));
}

void CWizApp::forEachView(const std::function<void(WizView&)>& visit) const {
    for (const auto& [kind, frame] : m_frames) {
        if (frame == nullptr || frame->widget() == nullptr)
            continue;
        if (auto* view = dynamic_cast<WizView*>(frame->widget())) {
            visit(*view);
            continue;
        }
        for (QWidget* pane : frame->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (auto* view = dynamic_cast<WizView*>(pane))
                visit(*view);
        }
    }
}

void CWizApp::showView(ViewKind kind) {
    if (!m_pSession)
        return;
    CWizMDIChild* frame = frameOf(kind);
    if (frame == nullptr)
        frame = makeFrame(kind);
    if (m_pMainFrame)
        m_pMainFrame->mdiArea()->setActiveSubWindow(frame);
    Q_EMIT sessionStateChanged();
}

void CWizApp::settingsAccepted() {
    if (!m_pSession)
        return;
    m_pSession->rereadSettings();
    for (ViewKind kind : {ViewKind::ResultLog, ViewKind::Sram}) {
        CSplitFrame* frame = splitFrameOf(kind);
        if (frame == nullptr)
            continue;
        for (int i = 0; i < frame->splitWnd()->count(); ++i) {
            if (auto* view = dynamic_cast<WizView*>(frame->splitWnd()->widget(i)))
                view->loadColours();
        }
    }
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
