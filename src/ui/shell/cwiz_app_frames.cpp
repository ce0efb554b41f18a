// The application's frames: one at most of each view kind, made, laid out, found and walked here;
// the rest of the application is in cwiz_app.cpp.

#include "ui/shell/cwiz_app.h"

#include "app/cwiz_doc.h"
#include "platform/qt_settings.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/window_layout.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/sram/memory_view.h"
#include "ui/views/view_factory.h"
#include "ui/views/wave/wave_link.h"
#include "ui/views/wave/wave_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace cellwatch {

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

} // namespace cellwatch
