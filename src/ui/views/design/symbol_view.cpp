#include "ui/views/design/symbol_view.h"

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "ui/dialogs/element_info_dialog.h"
#include "ui/views/design/hierarchy_model.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace cellwatch {

CSymbolView::CSymbolView(CWizDoc& doc, QWidget* parent)
    : QTreeView(parent), m_doc(doc), m_model(new HierarchyModel(this)), m_menu(new QMenu(this)) {
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    // Elements leave as their full name in plain text, for copying only.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);

    const char* texts[] = {"&Select clock register", "&Deselect clock", "D&elete group",
                           "Symbol &properties"};
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        const auto command = static_cast<Command>(i);
        m_actions[i] = new QAction(QString::fromLatin1(texts[i]), this);
        connect(m_actions[i], &QAction::triggered, this, [this, command] { runCommand(command); });
    }
    m_menu->addAction(action(Command::SelectClock));
    m_menu->addAction(action(Command::DeselectClock));
    m_menu->addSeparator();
    m_menu->addAction(action(Command::DeleteGroup));
    m_menu->addSeparator();
    m_menu->addAction(action(Command::Properties));

    m_doc.setSymbolView(this);
    populate();
}

CSymbolView::~CSymbolView() {
    m_doc.setSymbolView(nullptr);
    // Elements outlive the view; none may keep a handle of an item that is gone.
    m_model->clear(m_doc.designTree());
}

void CSymbolView::populate() {
    m_model->populate(m_doc.designTree(), m_doc.clockElement());
    expand(m_model->designIndex());
    if (m_model->rowCount(m_model->groupsIndex()) > 0)
        expand(m_model->groupsIndex());
}

void CSymbolView::addItem(DesignElement& element) {
    const bool firstGroup =
        element.type == ElementType::Group && m_model->rowCount(m_model->groupsIndex()) == 0;
    m_model->addElement(element);
    if (firstGroup)
        expand(m_model->groupsIndex());
}

void CSymbolView::markClock(DesignElement& reg) {
    m_model->markClock(reg, m_doc.clockElement());
}

void CSymbolView::unmarkClock(DesignElement& reg) {
    m_model->unmarkClock(reg);
}

void CSymbolView::removeItem(DesignElement& element) {
    m_model->removeElement(element);
}

DesignElement* CSymbolView::selectedElement() const {
    return m_model->carriedElement(currentIndex());
}

bool CSymbolView::selectElement(const DesignElement& element) {
    const QModelIndex index = m_model->indexOf(element);
    if (!index.isValid())
        return false;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        expand(up);
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

bool CSymbolView::isCommandEnabled(Command command) const {
    const DesignElement* element = selectedElement();
    switch (command) {
    case Command::SelectClock:
        return element != nullptr && element->type == ElementType::Symbol && element->combinatorial == 0;
    case Command::DeselectClock:
        return m_doc.isEnabled(MenuCommand::DeselectClock);
    case Command::DeleteGroup:
        return element != nullptr && element->type == ElementType::Group;
    case Command::Properties:
        return element != nullptr && element->type != ElementType::Composite;
    }
    return false;
}

bool CSymbolView::runCommand(Command command) {
    if (!isCommandEnabled(command))
        return false;
    DesignElement* element = selectedElement();
    switch (command) {
    case Command::SelectClock:
        m_doc.SelectClockFromHierarchy(element);
        break;
    case Command::DeselectClock:
        m_doc.DeselectClock();
        break;
    case Command::DeleteGroup:
        m_doc.DeleteGroup(element);
        break;
    case Command::Properties:
        showElementInfo(*element, this);
        return true;
    }
    // The window's menus follow the clock and the script.
    m_doc.host().updateAllViews();
    return true;
}

void CSymbolView::updateActions() {
    for (std::size_t i = 0; i < m_actions.size(); ++i)
        m_actions[i]->setEnabled(isCommandEnabled(static_cast<Command>(i)));
}

QMenu* CSymbolView::contextMenu() {
    updateActions();
    return m_menu;
}

void CSymbolView::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at =
        event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5)) : event->globalPos();
    contextMenu()->exec(at);
}

void CSymbolView::keyReleaseEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && !event->isAutoRepeat()) {
        runCommand(Command::DeleteGroup);
        event->accept();
        return;
    }
    QTreeView::keyReleaseEvent(event);
}

} // namespace cellwatch
