#include "ui/shell/wiz_frames.h"

#include "app/cwiz_doc.h"
#include "ui/look/frame_icons.h"
#include "ui/views/script/cmd_view.h"
#include "ui/views/wiz_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>

namespace cellwatch {

namespace {

constexpr int kMinimumPane = 10;
constexpr int kHandleHeight = 7;

// The bar between the panes: raised, with a grip in its middle, so that it can be found and dragged
// while the top pane is closed and the bar sits at the top of the window.
class SplitHandle final : public QSplitterHandle {
public:
    SplitHandle(Qt::Orientation orientation, QSplitter* parent) : QSplitterHandle(orientation, parent) {
        setToolTip(QStringLiteral("Drag to open or close the second pane"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPalette& pal = palette();
        const QRect r = rect();
        p.fillRect(r, pal.color(QPalette::Button).darker(112));
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(r.topLeft(), r.topRight());
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        // The grip: a short row of dots across the middle.
        const QPoint centre = r.center();
        for (int i = -4; i <= 4; ++i) {
            const QPoint dot(centre.x() + i * 4, centre.y());
            p.fillRect(QRect(dot, QSize(2, 2)), pal.color(QPalette::Dark));
            p.fillRect(QRect(dot + QPoint(1, 1), QSize(1, 1)), pal.color(QPalette::Light));
        }
    }
};

} // namespace

CWizMDIChild::CWizMDIChild(const CWizDoc* doc, QWidget* view) : m_pDoc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(applicationIcon());
    if (view != nullptr)
        setWidget(view);
    refreshTitle();
}

CWizMDIChild::CWizMDIChild(const CWizDoc* doc, NoView) : m_pDoc(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(applicationIcon());
}

QWidget* CWizMDIChild::activeView() const {
    return widget();
}

void CWizMDIChild::refreshTitle() {
    setWindowTitle(titleFor(activeView(), m_pDoc));
}

QString CWizMDIChild::titleFor(const QWidget* view, const CWizDoc* doc) {
    if (view == nullptr)
        return QStringLiteral("Oh, isn't this weird?");
    const auto* wizView = dynamic_cast<const WizView*>(view);
    if (wizView == nullptr)
        return QStringLiteral("Like, totally bogus view, dude!");
    switch (wizView->viewKind()) {
    case ViewKind::Hierarchy:
        return QStringLiteral("Design hierarchy");
    case ViewKind::TraceList:
        return QStringLiteral("Traced components");
    case ViewKind::Script: {
        const std::string* path = doc != nullptr ? doc->scriptPath() : nullptr;
        const auto* script = dynamic_cast<const CCmdView*>(view);
        return QStringLiteral("Command script - [%1]%2")
            .arg(path != nullptr ? QString::fromStdString(*path) : QString(),
                 script != nullptr && script->titleMarked() ? QStringLiteral(" *") : QString());
    }
    case ViewKind::ResultLog:
        return QStringLiteral("Result log");
    case ViewKind::Sram:
        return QStringLiteral("SRAM contents");
    case ViewKind::Waveform:
        return QStringLiteral("Waveform");
    }
    return QStringLiteral("Like, totally bogus view, dude!");
}

void CWizMDIChild::closeEvent(QCloseEvent* event) {
    const auto* view = dynamic_cast<const WizView*>(activeView());
    if (view != nullptr && !view->mayDestroy()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

// --- Split panes ---

CWizSplitWnd::CWizSplitWnd(QWidget* top, QWidget* bottom, QWidget* parent) : QSplitter(Qt::Vertical, parent) {
    setHandleWidth(kHandleHeight);
    for (QWidget* pane : {top, bottom}) {
        pane->setMinimumSize(kMinimumPane, kMinimumPane);
        addWidget(pane);
    }
    setCollapsible(0, true);
    setCollapsible(1, false);
    setSizes({0, 1});
}

QSplitterHandle* CWizSplitWnd::createHandle() {
    return new SplitHandle(orientation(), this);
}

bool CWizSplitWnd::isSplit() const {
    const QList<int> heights = sizes();
    return heights.size() == 2 && heights[0] > 0 && heights[1] > 0;
}

void CWizSplitWnd::splitRow(int height) {
    const QList<int> heights = sizes();
    int total = 0;
    for (int h : heights)
        total += h;
    setSizes({height, std::max(kMinimumPane, total - height)});
}

CSplitFrame::CSplitFrame(const CWizDoc* doc, QWidget* top, QWidget* bottom) : CWizMDIChild(doc, NoView{}) {
    m_pSplitter = new CWizSplitWnd(top, bottom, this);
    setWidget(m_pSplitter);
    refreshTitle();
}

QWidget* CSplitFrame::activeView() const {
    if (m_pSplitter->count() == 0)
        return nullptr;
    const QWidget* focus = QApplication::focusWidget();
    for (int i = 0; i < m_pSplitter->count(); ++i) {
        QWidget* pane = m_pSplitter->widget(i);
        if (focus != nullptr && (pane == focus || pane->isAncestorOf(focus)))
            return pane;
    }
    return m_pSplitter->widget(m_pSplitter->count() - 1);
}

} // namespace cellwatch
