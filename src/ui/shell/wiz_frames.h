#pragma once
// The child windows of the main frame: CWizMDIChild holds one view, CSplitFrame holds two panes of
// the same kind of view on one session (result log, SRAM contents). A frame's title names its active
// view, and a view may refuse its frame's closing.

#include <QMdiSubWindow>
#include <QSplitter>

namespace cellwatch {

class CWizDoc;

class CWizMDIChild : public QMdiSubWindow {
    Q_OBJECT
public:
    // view may be null: the frame then has no active view.
    CWizMDIChild(const CWizDoc* doc, QWidget* view);

    // The view the title names; null when there is none.
    virtual QWidget* activeView() const;
    // Sets the window title from the active view.
    void refreshTitle();

    // The title a frame shows for view: its kind's name, "Command script - [path]" with the session's
    // script path, or the fallbacks for a widget that is no view and for no view at all.
    static QString titleFor(const QWidget* view, const CWizDoc* doc);

protected:
    struct NoView {};
    CWizMDIChild(const CWizDoc* doc, NoView);
    // The active view is asked first; a view that refuses keeps the frame open.
    void closeEvent(QCloseEvent* event) override;

private:
    const CWizDoc* m_pDoc;
};

// Two rows of panes, each at least 10 x 10 pixels. The top pane starts collapsed, so the frame shows
// one pane until the user drags the splitter bar down or a run splits it.
class CWizSplitWnd : public QSplitter {
    Q_OBJECT
public:
    CWizSplitWnd(QWidget* top, QWidget* bottom, QWidget* parent);
    // Both panes are shown.
    bool isSplit() const;
    // Shows the top pane at that height.
    void splitRow(int height);

protected:
    // A bar that shows where to drag, also while the top pane is closed.
    QSplitterHandle* createHandle() override;
};

class CSplitFrame final : public CWizMDIChild {
    Q_OBJECT
public:
    CSplitFrame(const CWizDoc* doc, QWidget* top, QWidget* bottom);
    CWizSplitWnd* splitWnd() const { return m_pSplitter; }
    // The pane that holds the focus, else the one the frame shows when it is not split.
    QWidget* activeView() const override;

private:
    CWizSplitWnd* m_pSplitter;
};

} // namespace cellwatch
