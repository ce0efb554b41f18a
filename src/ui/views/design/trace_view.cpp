#include "ui/views/design/trace_view.h"

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "ui/dialogs/element_info_dialog.h"
#include "ui/views/design/trace_model.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <algorithm>

namespace cellwatch {

CTraceView::CTraceView(CWizDoc& doc, QWidget* parent)
    : QTreeView(parent), m_doc(doc), m_model(new TraceListModel(doc, this)), m_menu(new QMenu(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    for (int column = 0; column < TraceListModel::ColumnCount; ++column)
        header()->resizeSection(column, 100);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    struct Item {
        const char* text;
        QKeySequence keys;
    };
    const Item items[] = {{"Group...", QKeySequence(Qt::CTRL | Qt::Key_G)},
                          {"Ungroup", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
                          {"Remove trace(s)", {}},
                          {"Symbol &properties", {}}};
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        const auto command = static_cast<Command>(i);
        m_actions[i] = new QAction(QString::fromLatin1(items[i].text), this);
        m_actions[i]->setShortcut(items[i].keys);
        m_actions[i]->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(m_actions[i], &QAction::triggered, this, [this, command] { runCommand(command); });
        addAction(m_actions[i]); // the shortcuts work while the list has the focus
    }
    m_menu->addAction(action(Command::Group));
    m_menu->addAction(action(Command::Ungroup));
    m_menu->addSeparator();
    m_menu->addAction(action(Command::Remove));
    m_menu->addSeparator();
    m_menu->addAction(action(Command::Properties));

    m_doc.setTraceView(this);
    populate();
}

CTraceView::~CTraceView() {
    m_doc.setTraceView(nullptr);
}

void CTraceView::populate() {
    m_model->clear();
    for (const TracedComponent& entry : m_doc.traceList())
        m_model->append(entry);
}

void CTraceView::addTraceByName(const std::string& name) {
    m_doc.addTraceAndScriptLine(name);
}

void CTraceView::addItem(const TracedComponent& entry) {
    m_model->append(entry);
}

int CTraceView::fullWidth() const {
    return header()->length() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}

void CTraceView::refreshValues() {
    m_model->refreshValues();
}

void CTraceView::refreshClockMarks() {
    m_model->refreshImages();
}

void CTraceView::removeEntryItem(const TracedComponent& entry) {
    m_model->remove(entry);
}

void CTraceView::removeAllItems() {
    m_model->clear();
}

std::vector<TracedComponent*> CTraceView::selectedEntries() const {
    std::vector<int> rowNumbers;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rowNumbers.push_back(index.row());
    std::sort(rowNumbers.begin(), rowNumbers.end());
    std::vector<TracedComponent*> entries;
    for (int row : rowNumbers) {
        // The session hands out its entries for changing; the model only reads them.
        const TracedComponent* entry = m_model->entryAt(row);
        if (entry != nullptr) {
            if (TracedComponent* own = m_doc.FindTrace(entry->element))
                entries.push_back(own);
        }
    }
    return entries;
}

bool CTraceView::isCommandEnabled(Command command) const {
    const std::vector<TracedComponent*> selected = selectedEntries();
    const bool idle = m_doc.runState() == RunState::Idle;
    switch (command) {
    case Command::Group:
        return idle && !selected.empty();
    case Command::Ungroup:
        return idle && selected.size() == 1 && selected.front()->element != nullptr &&
               selected.front()->element->type == ElementType::Group;
    case Command::Remove:
    case Command::Properties:
        return !selected.empty();
    }
    return false;
}

bool CTraceView::runCommand(Command command) {
    if (!isCommandEnabled(command))
        return false;
    switch (command) {
    case Command::Group:
        m_doc.makeGroup(selectedEntries());
        break;
    case Command::Ungroup:
        m_doc.ungroup(selectedEntries());
        break;
    case Command::Remove:
        removeSelectedTraces();
        break;
    case Command::Properties:
        if (const DesignElement* element = selectedEntries().front()->element)
            showElementInfo(*element, this);
        return true;
    }
    m_doc.host().updateAllViews();
    return true;
}

void CTraceView::removeSelectedTraces() {
    m_doc.removeTracesAndScriptLines(selectedEntries());
}

void CTraceView::updateActions() {
    for (std::size_t i = 0; i < m_actions.size(); ++i)
        m_actions[i]->setEnabled(isCommandEnabled(static_cast<Command>(i)));
}

QMenu* CTraceView::contextMenu() {
    updateActions();
    return m_menu;
}

void CTraceView::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at =
        event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5)) : event->globalPos();
    contextMenu()->exec(at);
    // The shortcuts stay live between menus; their commands check their rules when they run.
    for (QAction* a : m_actions)
        a->setEnabled(true);
}

void CTraceView::keyReleaseEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && !event->isAutoRepeat()) {
        runCommand(Command::Remove);
        event->accept();
        return;
    }
    QTreeView::keyReleaseEvent(event);
}

namespace {

// Any plain text is taken, always as a copy: taken as a move, text dragged out of an editor (the
// script's own, say) would be deleted there. A source that offers no copy is refused.
bool acceptText(QDropEvent* event) {
    if (event->mimeData() == nullptr || !event->mimeData()->hasText() ||
        !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

void CTraceView::dragEnterEvent(QDragEnterEvent* event) {
    acceptText(event);
}

void CTraceView::dragMoveEvent(QDragMoveEvent* event) {
    acceptText(event);
}

void CTraceView::dropEvent(QDropEvent* event) {
    if (!acceptText(event))
        return;
    // The message boxes of a refusal must not open inside the drag's own event loop.
    const std::string name = event->mimeData()->text().toStdString();
    QMetaObject::invokeMethod(
        this, [this, name] { addTraceByName(name); }, Qt::QueuedConnection);
}

} // namespace cellwatch
