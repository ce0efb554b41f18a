#include "ui/views/design/hierarchy_model.h"

#include "design/design_element.h"
#include "design/design_tree.h"

#include <QMimeData>

#include <algorithm>
#include <cassert>
#include <string>
#include <vector>

namespace cellwatch {

enum class NodeKind { Root, Symbol, Composite, Group, Member, Clock };

struct HierarchyNode {
    NodeKind kind = NodeKind::Root;
    ElementImage image = ElementImage::Composite;
    // The element whose item this is; null for roots and members (a member may be freed while its
    // group's item still lists it, so members keep their text instead).
    DesignElement* element = nullptr;
    bool carries = false; // the element can be dragged, inspected and chosen as clock
    std::string text;     // roots, members and the clock item
    HierarchyNode* parent = nullptr;
    int row = 0;
    std::vector<std::unique_ptr<HierarchyNode>> children;

    const std::string& label() const {
        return (kind == NodeKind::Symbol || kind == NodeKind::Composite || kind == NodeKind::Group)
                   ? element->shortName
                   : text;
    }
};

namespace {

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The order of a sorting tree control: by text, ignoring case.
bool lessText(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
}

bool lessNode(const std::unique_ptr<HierarchyNode>& a, const std::unique_ptr<HierarchyNode>& b) {
    return lessText(a->label(), b->label());
}

void renumber(HierarchyNode& parent, std::size_t from) {
    for (std::size_t i = from; i < parent.children.size(); ++i)
        parent.children[i]->row = static_cast<int>(i);
}

void attach(HierarchyNode& parent, std::unique_ptr<HierarchyNode> node) {
    node->parent = &parent;
    node->row = static_cast<int>(parent.children.size());
    parent.children.push_back(std::move(node));
}

void sortChildren(HierarchyNode& parent) {
    std::stable_sort(parent.children.begin(), parent.children.end(), lessNode);
    renumber(parent, 0);
}

std::uintptr_t handleOf(HierarchyNode* node) {
    return reinterpret_cast<std::uintptr_t>(node);
}

ElementImage symbolImage(const DesignElement& symbol) {
    const bool readable = isReadable(symbol);
    if (symbol.combinatorial != 0)
        return readable ? ElementImage::Combinatorial : ElementImage::CombinatorialUnreadable;
    return readable ? ElementImage::Sequential : ElementImage::SequentialUnreadable;
}

std::unique_ptr<HierarchyNode> makeNode(NodeKind kind, ElementImage image, DesignElement* element,
                                        bool carries, std::string text = {}) {
    auto node = std::make_unique<HierarchyNode>();
    node->kind = kind;
    node->image = image;
    node->element = element;
    node->carries = carries;
    node->text = std::move(text);
    return node;
}

// The element's item with everything under it, sorted, detached; null for the software clock.
std::unique_ptr<HierarchyNode> buildNode(DesignElement& element, int depth) {
    std::unique_ptr<HierarchyNode> node;
    switch (element.type) {
    case ElementType::Symbol:
        node = makeNode(NodeKind::Symbol, symbolImage(element), &element, isReadable(element));
        break;
    case ElementType::Composite:
        node = makeNode(NodeKind::Composite, ElementImage::Composite, &element, false);
        if (depth < 1024) {
            for (DesignElement* child : element.children) {
                if (child != nullptr) {
                    if (auto item = buildNode(*child, depth + 1))
                        attach(*node, std::move(item));
                }
            }
            sortChildren(*node);
        }
        break;
    case ElementType::Group:
        node = makeNode(NodeKind::Group, ElementImage::Group, &element, true);
        for (const DesignElement* member : element.children) {
            if (member == nullptr)
                continue;
            const ElementImage image =
                member->type == ElementType::Symbol ? symbolImage(*member) : ElementImage::Group;
            attach(*node, makeNode(NodeKind::Member, image, nullptr, false, member->fullName));
        }
        break;
    case ElementType::SoftwareClock:
        return nullptr;
    }
    element.treeItem = handleOf(node.get());
    return node;
}

bool contains(const HierarchyNode& node, const HierarchyNode* target) {
    if (&node == target)
        return true;
    return std::any_of(node.children.begin(), node.children.end(),
                       [target](const auto& child) { return contains(*child, target); });
}

void forgetItems(HierarchyNode& node) {
    if (node.element != nullptr)
        node.element->treeItem = 0;
    for (auto& child : node.children)
        forgetItems(*child);
}

} // namespace

HierarchyModel::HierarchyModel(QObject* parent) : QAbstractItemModel(parent) {
    resetItems(nullptr);
}

HierarchyModel::~HierarchyModel() = default;

void HierarchyModel::clear(DesignTree* tree) {
    beginResetModel();
    resetItems(tree);
    endResetModel();
}

void HierarchyModel::resetItems(DesignTree* tree) {
    // The tree is walked rather than the items: an item's element may already be gone.
    if (tree != nullptr) {
        for (DesignElement* e = tree->first(); e != nullptr; e = e->next)
            e->treeItem = 0;
    }
    m_root = makeNode(NodeKind::Root, ElementImage::Composite, nullptr, false);
    auto design = makeNode(NodeKind::Root, ElementImage::Composite, nullptr, false, "Design");
    auto groups = makeNode(NodeKind::Root, ElementImage::Composite, nullptr, false, "Groups");
    m_designRoot = design.get();
    m_groupsRoot = groups.get();
    attach(*m_root, std::move(design));
    attach(*m_root, std::move(groups));
    m_clockItem = nullptr;
}

void HierarchyModel::populate(DesignTree* tree, DesignElement* clock) {
    // One reset for the whole design: views lay out once, however many symbols there are.
    beginResetModel();
    resetItems(tree);
    for (DesignElement* e = tree != nullptr ? tree->first() : nullptr; e != nullptr; e = e->next) {
        if (e->parent != nullptr)
            continue;
        if (auto node = buildNode(*e, 0))
            attach(e->type == ElementType::Group ? *m_groupsRoot : *m_designRoot, std::move(node));
    }
    sortChildren(*m_designRoot);
    sortChildren(*m_groupsRoot);
    endResetModel();
    if (clock != nullptr && clock->parent != nullptr)
        markClock(*clock->parent, clock);
}

HierarchyNode* HierarchyModel::parentNodeFor(const DesignElement& element) const {
    if (element.type == ElementType::Group)
        return m_groupsRoot;
    if (element.parent != nullptr && element.parent->treeItem != 0)
        return reinterpret_cast<HierarchyNode*>(element.parent->treeItem);
    return m_designRoot;
}

void HierarchyModel::insertSorted(HierarchyNode* parent, std::unique_ptr<HierarchyNode> node) {
    auto at = std::upper_bound(parent->children.begin(), parent->children.end(), node, lessNode);
    const int row = static_cast<int>(at - parent->children.begin());
    beginInsertRows(indexOfNode(parent), row, row);
    node->parent = parent;
    parent->children.insert(at, std::move(node));
    renumber(*parent, static_cast<std::size_t>(row));
    endInsertRows();
}

void HierarchyModel::addElement(DesignElement& element) {
    if (element.treeItem != 0)
        return; // already shown
    HierarchyNode* parent = parentNodeFor(element);
    if (auto node = buildNode(element, 0))
        insertSorted(parent, std::move(node));
}

void HierarchyModel::markClock(DesignElement& reg, DesignElement* clock) {
    auto* regNode = reinterpret_cast<HierarchyNode*>(reg.treeItem);
    if (regNode == nullptr)
        return;
    removeClockItem(); // only one register carries the clock
    setImage(regNode, ElementImage::Clock);
    const QModelIndex regIndex = indexOfNode(regNode);
    const int row = static_cast<int>(regNode->children.size());
    beginInsertRows(regIndex, row, row);
    auto item = makeNode(NodeKind::Clock, ElementImage::Clock, clock, clock != nullptr, kSoftwareClockName);
    m_clockItem = item.get();
    if (clock != nullptr)
        clock->treeItem = handleOf(m_clockItem);
    attach(*regNode, std::move(item));
    endInsertRows();
}

void HierarchyModel::unmarkClock(DesignElement& reg) {
    if (auto* regNode = reinterpret_cast<HierarchyNode*>(reg.treeItem))
        setImage(regNode, ElementImage::Sequential);
    // The clock element is still there: it leaves once its register is unmarked.
    if (m_clockItem != nullptr && m_clockItem->element != nullptr)
        m_clockItem->element->treeItem = 0;
    removeClockItem();
}

void HierarchyModel::removeClockItem() {
    if (m_clockItem == nullptr)
        return;
    // Works from the items alone, never through the clock element.
    HierarchyNode* parent = m_clockItem->parent;
    setImage(parent, ElementImage::Sequential);
    const int row = m_clockItem->row;
    beginRemoveRows(indexOfNode(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    renumber(*parent, static_cast<std::size_t>(row));
    m_clockItem = nullptr;
    endRemoveRows();
}

void HierarchyModel::setImage(HierarchyNode* node, ElementImage image) {
    node->image = image;
    const QModelIndex index = indexOfNode(node);
    Q_EMIT dataChanged(index, index, {Qt::DecorationRole, ImageRole});
}

void HierarchyModel::removeElement(DesignElement& element) {
    auto* node = reinterpret_cast<HierarchyNode*>(element.treeItem);
    if (node == nullptr || node->parent == nullptr)
        return;
    HierarchyNode* parent = node->parent;
    const int row = node->row;
    beginRemoveRows(indexOfNode(parent), row, row);
    if (m_clockItem != nullptr && contains(*node, m_clockItem))
        m_clockItem = nullptr;
    forgetItems(*node);
    parent->children.erase(parent->children.begin() + row);
    renumber(*parent, static_cast<std::size_t>(row));
    endRemoveRows();
}

QModelIndex HierarchyModel::designIndex() const {
    return indexOfNode(m_designRoot);
}

QModelIndex HierarchyModel::groupsIndex() const {
    return indexOfNode(m_groupsRoot);
}

QModelIndex HierarchyModel::indexOf(const DesignElement& element) const {
    return indexOfNode(reinterpret_cast<const HierarchyNode*>(element.treeItem));
}

DesignElement* HierarchyModel::carriedElement(const QModelIndex& index) const {
    const HierarchyNode* node = nodeOf(index);
    return node != nullptr && node->carries ? node->element : nullptr;
}

HierarchyNode* HierarchyModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<HierarchyNode*>(index.internalPointer());
}

QModelIndex HierarchyModel::indexOfNode(const HierarchyNode* node) const {
    if (node == nullptr || node == m_root.get())
        return {};
    return createIndex(node->row, 0, const_cast<HierarchyNode*>(node));
}

QModelIndex HierarchyModel::index(int row, int column, const QModelIndex& parent) const {
    const HierarchyNode* owner = parent.isValid() ? nodeOf(parent) : m_root.get();
    if (owner == nullptr || column != 0 || row < 0 || static_cast<std::size_t>(row) >= owner->children.size())
        return {};
    return createIndex(row, 0, owner->children[static_cast<std::size_t>(row)].get());
}

QModelIndex HierarchyModel::parent(const QModelIndex& child) const {
    const HierarchyNode* node = nodeOf(child);
    return node != nullptr ? indexOfNode(node->parent) : QModelIndex();
}

int HierarchyModel::rowCount(const QModelIndex& parent) const {
    const HierarchyNode* owner = parent.isValid() ? nodeOf(parent) : m_root.get();
    return owner != nullptr ? static_cast<int>(owner->children.size()) : 0;
}

int HierarchyModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant HierarchyModel::data(const QModelIndex& index, int role) const {
    const HierarchyNode* node = nodeOf(index);
    if (node == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(node->label());
    case Qt::DecorationRole:
        return elementIcon(node->image);
    case ImageRole:
        return static_cast<int>(node->image);
    default:
        return {};
    }
}

Qt::ItemFlags HierarchyModel::flags(const QModelIndex& index) const {
    const HierarchyNode* node = nodeOf(index);
    if (node == nullptr)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (node->carries && node->element != nullptr && !node->element->fullName.empty())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList HierarchyModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* HierarchyModel::mimeData(const QModelIndexList& indexes) const {
    for (const QModelIndex& index : indexes) {
        if (!(flags(index) & Qt::ItemIsDragEnabled))
            continue;
        auto* data = new QMimeData;
        data->setText(QString::fromStdString(nodeOf(index)->element->fullName));
        return data;
    }
    return nullptr;
}

} // namespace cellwatch
