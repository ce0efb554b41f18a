#pragma once
// The "Traced components" view: the session's trace list as a table of name, size, place and value.
// Plain text dropped on it is traced by name; its rows are grouped, ungrouped, removed and inspected
// from here, and every change is written back into the script's trace and vector sections.

#include "app/views.h"
#include "ui/views/wiz_view.h"

#include <QTreeView>

#include <array>
#include <string>
#include <vector>

class QMenu;

namespace cellwatch {

class CWizDoc;
class TraceListModel;

class CTraceView final : public QTreeView, public WizView, public TraceListView {
    Q_OBJECT
public:
    // The commands of the context menu, in menu order.
    enum class Command { Group, Ungroup, Remove, Properties };

    // Registers itself as the session's trace view and lists its traces.
    CTraceView(CWizDoc& doc, QWidget* parent);
    ~CTraceView() override;

    ViewKind viewKind() const override { return ViewKind::TraceList; }

    // Traces the element of that name, as a drop does, through the session (addTraceAndScriptLine).
    void addTraceByName(const std::string& name);

    // --- TraceListView ---
    void addItem(const TracedComponent& entry) override;
    void refreshValues() override;
    // The values a run wrote.
    void runAdvanced() override { refreshValues(); }
    // The width that shows every column whole, scroll bar and border included.
    int fullWidth() const;
    void refreshClockMarks() override;
    void removeEntryItem(const TracedComponent& entry) override;
    void removeAllItems() override;

    TraceListModel& rows() const { return *m_model; }
    // The selected entries in list order.
    std::vector<TracedComponent*> selectedEntries() const;

    bool isCommandEnabled(Command command) const;
    // Runs the command when its rule allows it now; false otherwise.
    bool runCommand(Command command);
    QAction* action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    // The context menu, its items enabled for the current selection.
    QMenu* contextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void populate();
    void updateActions();
    void removeSelectedTraces();

    CWizDoc& m_doc;
    TraceListModel* m_model;
    QMenu* m_menu;
    std::array<QAction*, 4> m_actions{};
};

} // namespace cellwatch
