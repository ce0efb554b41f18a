#pragma once
// The result log view: the session's log lines and one sampling line per instant, drawn straight
// from the trace store in a fixed-pitch font on white, with its own scroll bars and a click mark.
// It holds no copy of the log; a checkpoint index finds the first line a paint needs.

#include "app/log_line_index.h"
#include "app/views.h"
#include "ui/views/log/log_search.h"
#include "ui/views/wiz_view.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>

#include <optional>
#include <string_view>
#include <vector>

namespace cellwatch {

class CWizDoc;

class CReportView : public QAbstractScrollArea, public LogView, public WizView {
    Q_OBJECT
public:
    // Width of a line in columns, whatever the text holds.
    static constexpr int kColumns = 512;

    explicit CReportView(CWizDoc& doc, QWidget* parent = nullptr);
    ~CReportView() override;

    ViewKind viewKind() const override { return ViewKind::ResultLog; }
    // Reads "Text", "Error", "Warning" and "Comments" of section "Colours" again.
    void loadColours() override;
    void refresh(bool follow) override;
    void scrollToStart() override;
    // While a run goes on: recount the lines and redraw; the pane keeps to the end when newest is
    // set and the user left it at the end (as a run's pane does until the user scrolls away).
    void refreshLive(bool newest);
    // The newest of the session's log views follows the end, the others keep their place.
    void runAdvanced() override;

    // --- What the view shows (the find bar and tests read it) ---
    struct PageLine {
        QString text;
        QColor colour;
    };
    // The lines a paint draws now, from the first visible one: visible rows + 2 at most.
    std::vector<PageLine> pageLines();
    // The colour a line is drawn in, by its first character.
    QColor colourOf(std::string_view text) const;
    // The estimated number of display lines, as of the last refresh.
    int lineCount() const { return m_lineCount; }
    int visibleRows() const;
    int visibleColumns() const;
    // The rule's place: the display line it is drawn above (the clicked line + 1), or none.
    std::optional<int> mark() const { return m_mark; }
    // Scrolls so that display line n shows (at the top when it was off the page) and marks it.
    void showLine(int n);
    int lineHeight() const { return m_lineHeight; }
    const CWizDoc& session() const { return m_doc; }
    LogLineIndex& lineIndex() { return m_index; }

    // --- Finding lines: each search runs in slices from the event loop; Esc, a new search or the
    // log being emptied stops it. A found line is scrolled into view and marked; none beeps. ---
    // Looks for text, in any case, from the line after the marked one (else the first visible line)
    // toward the end.
    void find(const QString& text);
    // The last text again, after or before the marked line (else the visible page).
    void findNext();
    void findPrevious();
    // The next or previous line drawn in the error colour (it starts with 'E').
    void nextError();
    void previousError();
    void cancelSearch();
    bool searching() const { return m_search.running(); }
    const QString& findText() const { return m_findText; }
    const LogSearch& search() const { return m_search; }
    LogSearch& search() { return m_search; }

Q_SIGNALS:
    // A search ended by itself (not when cancelled).
    void searchFinished(bool found);
    // The user clicked display line n.
    void lineClicked(int n);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void measure();
    void updateRanges();
    int estimatedLines() const;
    void startSearch(LogSearch::Direction direction, LogSearch::Match match);
    void searchEnded(bool found, quint64 line);

    // Registration, the host and the settings; everything the view shows is read through m_doc,
    // which cannot change the session.
    CWizDoc& m_session;
    const CWizDoc& m_doc;
    LogLineIndex m_index;
    LogSearch m_search{m_doc, m_index};
    QString m_findText;
    QFont m_font;
    int m_lineHeight = 0;
    int m_columnWidth = 0;
    int m_lineCount = 0;
    std::optional<int> m_mark;
    bool m_shown = false;
    QColor m_text, m_error, m_warning, m_comments;
};

} // namespace cellwatch
