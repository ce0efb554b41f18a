#pragma once
// Stand-ins for the five views: each shows what the session holds as plain lines and implements the
// session's sink for its kind, so that frames, titles, closing and refreshes already work as they
// will with the real views. They read the session when they paint and keep no copy of its data.

#include "app/views.h"
#include "script/line_buffer.h"
#include "ui/views/wiz_view.h"

#include <QWidget>

#include <string>
#include <vector>

namespace cellwatch {

class CWizDoc;
class DesignElement;

// Paints lineCount() lines in the fixed-pitch font: from the first, or the last ones that fit while
// it follows the end. Only the rows that fit are fetched.
class PlaceholderView : public QWidget, public WizView {
    Q_OBJECT
public:
    PlaceholderView(CWizDoc& doc, QWidget* parent);
    QSize sizeHint() const override { return {420, 260}; }

protected:
    virtual int lineCount() const = 0;
    virtual QString lineAt(int index) const = 0;
    void setFollow(bool follow) { m_follow = follow; }
    void paintEvent(QPaintEvent* event) override;

    CWizDoc& m_doc;

private:
    bool m_follow = false;
};

class HierarchyPlaceholder final : public PlaceholderView, public HierarchyView {
    Q_OBJECT
public:
    HierarchyPlaceholder(CWizDoc& doc, QWidget* parent);
    ~HierarchyPlaceholder() override;
    ViewKind viewKind() const override { return ViewKind::Hierarchy; }
    void addItem(DesignElement&) override {
        m_dirty = true;
        update();
    }
    void markClock(DesignElement&) override { update(); }
    void unmarkClock(DesignElement&) override { update(); }
    void removeItem(DesignElement&) override {
        m_dirty = true;
        update();
    }

protected:
    int lineCount() const override;
    QString lineAt(int index) const override;

private:
    void collect() const;
    // The tree is a linked list in insertion order; this index lets paint start at any row.
    mutable std::vector<const DesignElement*> m_elements;
    mutable bool m_dirty = true;
};

class TraceListPlaceholder final : public PlaceholderView, public TraceListView {
    Q_OBJECT
public:
    TraceListPlaceholder(CWizDoc& doc, QWidget* parent);
    ~TraceListPlaceholder() override;
    ViewKind viewKind() const override { return ViewKind::TraceList; }
    void addItem(const TracedComponent&) override { update(); }
    void refreshValues() override { update(); }
    void refreshClockMarks() override { update(); }
    // Repaints come after the session has freed the entries, so they simply are not listed.
    void removeEntryItem(const TracedComponent&) override { update(); }
    void removeAllItems() override { update(); }

protected:
    int lineCount() const override;
    QString lineAt(int index) const override;
};

// The script as a list of lines. It loads the .cmd file, or generates a script for a .sym, as the
// editor will; the text changes only through the session (section rewriting, clocking commands).
class ScriptPlaceholder final : public PlaceholderView, public ScriptView {
    Q_OBJECT
public:
    ScriptPlaceholder(CWizDoc& doc, QWidget* parent);
    ~ScriptPlaceholder() override;
    ViewKind viewKind() const override { return ViewKind::Script; }
    // The script stays while the session is open.
    bool mayDestroy() const override;
    TextBuffer& buffer() override { return m_buffer; }
    void refreshTitle() override { update(); }
    void recolour() override { update(); }

protected:
    int lineCount() const override { return m_buffer.lineCount(); }
    QString lineAt(int index) const override;

private:
    LineBuffer m_buffer;
};

class LogPlaceholder final : public PlaceholderView, public LogView {
    Q_OBJECT
public:
    LogPlaceholder(CWizDoc& doc, QWidget* parent);
    ~LogPlaceholder() override;
    ViewKind viewKind() const override { return ViewKind::ResultLog; }
    void loadColours() override { update(); }
    void refresh(bool follow) override;
    void scrollToStart() override;

protected:
    // The log's text lines; the sample rows come with the real view.
    int lineCount() const override;
    QString lineAt(int index) const override;
};

class SramPlaceholder final : public PlaceholderView {
    Q_OBJECT
public:
    SramPlaceholder(CWizDoc& doc, QWidget* parent) : PlaceholderView(doc, parent) {}
    ViewKind viewKind() const override { return ViewKind::Sram; }

protected:
    int lineCount() const override { return 1; }
    QString lineAt(int index) const override;
};

} // namespace cellwatch
