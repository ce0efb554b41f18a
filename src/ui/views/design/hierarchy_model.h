#pragma once
// The items of the design hierarchy: the "Design" and "Groups" roots, one item per shown element,
// group members by full name, and the "SOFTWARE_CLOCK" item under the clock register. Items point at
// the session's elements and read their names from them when asked; every element that has an item
// remembers it in its treeItem. Siblings are kept sorted by text, group members in member order.

#include "ui/views/design/element_images.h"

#include <QAbstractItemModel>

#include <memory>

namespace cellwatch {

class DesignElement;
class DesignTree;
struct HierarchyNode;

class HierarchyModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    // data() of this role is the item's image index (an int, see ElementImage).
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit HierarchyModel(QObject* parent = nullptr);
    ~HierarchyModel() override;

    // Rebuilds every item in one batch: the elements without a parent in tree order, then the clock
    // mark when clock (the software clock element) is given.
    void populate(DesignTree* tree, DesignElement* clock);
    // Drops every item and forgets the tree items of the elements of tree (null: touches none).
    void clear(DesignTree* tree);

    // A group goes under "Groups"; a symbol or composite under its parent's item, else "Design".
    void addElement(DesignElement& element);
    // The register's item takes the clock image and gets the "SOFTWARE_CLOCK" item carrying clock.
    void markClock(DesignElement& reg, DesignElement* clock);
    void unmarkClock(DesignElement& reg);
    // Removes the element's item with everything under it.
    void removeElement(DesignElement& element);

    QModelIndex designIndex() const;
    QModelIndex groupsIndex() const;
    // The element's own item (its treeItem); invalid when it has none.
    QModelIndex indexOf(const DesignElement& element) const;
    // The element the item carries: none for roots, composites, members and unreadable symbols.
    DesignElement* carriedElement(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    void resetItems(DesignTree* tree);
    // Drops the "SOFTWARE_CLOCK" item and gives its register the sequential picture again.
    void removeClockItem();
    void setImage(HierarchyNode* node, ElementImage image);
    HierarchyNode* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(const HierarchyNode* node) const;
    HierarchyNode* parentNodeFor(const DesignElement& element) const;
    void insertSorted(HierarchyNode* parent, std::unique_ptr<HierarchyNode> node);

    std::unique_ptr<HierarchyNode> m_root; // invisible; holds the two roots
    HierarchyNode* m_designRoot = nullptr;
    HierarchyNode* m_groupsRoot = nullptr;
    HierarchyNode* m_clockItem = nullptr;
};

} // namespace cellwatch
