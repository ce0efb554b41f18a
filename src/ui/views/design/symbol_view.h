#pragma once
// The "Design hierarchy" view: the session's design tree under "Design", its groups under "Groups".
// The user picks the clock register here, deletes groups, opens an element's properties and drags
// elements onto the trace list.

#include "app/views.h"
#include "ui/views/wiz_view.h"

#include <QTreeView>

#include <array>

class QMenu;

namespace cellwatch {

class CWizDoc;
class HierarchyModel;

class CSymbolView final : public QTreeView, public WizView, public HierarchyView {
    Q_OBJECT
public:
    // The commands of the context menu, in menu order.
    enum class Command { SelectClock, DeselectClock, DeleteGroup, Properties };

    // Registers itself as the session's hierarchy view and shows its design.
    CSymbolView(CWizDoc& doc, QWidget* parent);
    ~CSymbolView() override;

    ViewKind viewKind() const override { return ViewKind::Hierarchy; }

    // Builds every item again from the session's design tree and clock.
    void populate();

    // --- HierarchyView ---
    void addItem(DesignElement& element) override;
    void markClock(DesignElement& reg) override;
    void unmarkClock(DesignElement& reg) override;
    void removeItem(DesignElement& element) override;

    HierarchyModel& items() const { return *m_model; }
    // The element the current item carries, or null.
    DesignElement* selectedElement() const;
    // Makes the element's item current (expanding what is above it); false when it has none.
    bool selectElement(const DesignElement& element);

    bool isCommandEnabled(Command command) const;
    // Runs the command when its rule allows it now; false otherwise.
    bool runCommand(Command command);
    QAction* action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    // The context menu, its items enabled for the current item.
    QMenu* contextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void updateActions();

    CWizDoc& m_doc;
    HierarchyModel* m_model;
    QMenu* m_menu;
    std::array<QAction*, 4> m_actions{};
};

} // namespace cellwatch
