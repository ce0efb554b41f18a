#include "design/design_tree.h"

#include "design/device_geometry.h"
#include "design/name_hash.h"
#include "design/symbol_table.h"

#include <utility>

namespace cellwatch {

namespace {

// Marks a slot whose element was removed: free for inserts, stepped over by finds.
DesignElement g_removedMarker;
DesignElement* const kRemoved = &g_removedMarker;

std::string_view prefixOf(std::string_view name) {
    const std::size_t sep = name.rfind('\\');
    return sep == std::string_view::npos ? std::string_view{} : name.substr(0, sep);
}

std::string_view shortNameOf(std::string_view name) {
    const std::size_t sep = name.rfind('\\');
    return sep == std::string_view::npos ? name : name.substr(sep + 1);
}

std::unique_ptr<DesignElement> makeElement(std::string_view fullName, ElementType type) {
    auto element = std::make_unique<DesignElement>();
    element->type = type;
    element->fullName.assign(fullName);
    element->shortName.assign(shortNameOf(fullName));
    return element;
}

void adoptChild(DesignElement& parent, DesignElement* child) {
    parent.hasChildList = true;
    parent.children.push_back(child);
    ++parent.size;
}

} // namespace

DesignTree::DesignTree(const SymbolTable* symbols) : m_symbols(symbols) {
    grow();
}

DesignTree::~DesignTree() = default;

bool DesignTree::grow() {
    const std::uint32_t size = nextTableSize(capacity());
    if (size == 0)
        return false; // no larger size: keep the slots we have rather than dropping them
    std::vector<DesignElement*> old(size, nullptr);
    old.swap(m_slots);
    m_count = 0;
    m_first = nullptr;
    m_last = nullptr;
    // Refiling in old slot order also rebuilds the insertion-order list in that order.
    for (DesignElement* element : old)
        if (element && element != kRemoved)
            place(element);
    return true;
}

void DesignTree::place(DesignElement* element) {
    const std::size_t cap = m_slots.size();
    std::size_t index = nameHash(element->fullName) % cap;
    while (m_slots[index] && m_slots[index] != kRemoved)
        index = (index + 1) % cap;
    m_slots[index] = element;
    element->slot = static_cast<std::int32_t>(index);
    element->previous = m_last;
    element->next = nullptr;
    if (m_last)
        m_last->next = element;
    else
        m_first = element;
    m_last = element;
    ++m_count;
}

DesignElement* DesignTree::insert(std::unique_ptr<DesignElement> element) {
    if (!element)
        return nullptr;
    if (m_count + 1 >= capacity())
        grow();
    if (m_count + 1 >= capacity())
        return nullptr;
    DesignElement* raw = element.get();
    place(raw);
    raw->m_ownerIndex = m_owned.size();
    m_owned.push_back(std::move(element));
    return raw;
}

std::unique_ptr<DesignElement> DesignTree::remove(DesignElement* element) {
    if (!element || element->slot < 0 || static_cast<std::size_t>(element->slot) >= m_slots.size() ||
        m_slots[static_cast<std::size_t>(element->slot)] != element)
        return nullptr;
    m_slots[static_cast<std::size_t>(element->slot)] = kRemoved;
    if (element->previous)
        element->previous->next = element->next;
    else
        m_first = element->next;
    if (element->next)
        element->next->previous = element->previous;
    else
        m_last = element->previous;
    element->next = nullptr;
    element->previous = nullptr;
    element->slot = -1;
    --m_count;

    const std::size_t index = element->m_ownerIndex;
    std::unique_ptr<DesignElement> owned = std::move(m_owned[index]);
    if (index + 1 != m_owned.size()) {
        m_owned[index] = std::move(m_owned.back());
        m_owned[index]->m_ownerIndex = index;
    }
    m_owned.pop_back();
    return owned;
}

DesignElement* DesignTree::find(std::string_view name) const {
    const std::size_t cap = m_slots.size();
    if (cap == 0)
        return nullptr;
    std::size_t index = nameHash(name) % cap;
    // Removals can leave no empty slot at all, so the probe also stops after one full round.
    for (std::size_t step = 0; step < cap; ++step) {
        DesignElement* element = m_slots[index];
        if (!element)
            return nullptr;
        if (element != kRemoved && sameName(element->fullName, name))
            return element;
        index = (index + 1) % cap;
    }
    return nullptr;
}

void DesignTree::clearSlots() {
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_count = 0;
    m_first = nullptr;
    m_last = nullptr;
    for (auto& element : m_owned) {
        element->slot = -1;
        element->next = nullptr;
        element->previous = nullptr;
    }
}

void DesignTree::destroyAll() {
    m_owned.clear();
    clearSlots();
}

DesignElement* DesignTree::parentFor(std::string_view fullName) {
    // Walk up to the nearest level that exists, then make the missing composites top down, so that
    // they enter the tree in the same order a recursive build would give.
    std::vector<std::string_view> missing;
    DesignElement* parent = nullptr;
    for (std::string_view p = prefixOf(fullName); !p.empty(); p = prefixOf(p)) {
        parent = find(p);
        if (parent)
            break;
        missing.push_back(p);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        std::unique_ptr<DesignElement> composite = makeElement(*it, ElementType::Composite);
        if (m_symbols)
            m_symbols->typeCode(*it, composite->typeCode);
        composite->hasChildList = true;
        composite->parent = parent;
        DesignElement* made = insert(std::move(composite));
        if (!made)
            return nullptr;
        if (parent)
            adoptChild(*parent, made);
        parent = made;
    }
    return parent;
}

DesignElement* DesignTree::addElement(std::string_view fullName, ElementType type,
                                      std::vector<DesignElement*> members) {
    if (find(fullName))
        return nullptr;
    if (type != ElementType::Symbol && type != ElementType::Composite && type != ElementType::Group)
        return nullptr;
    std::unique_ptr<DesignElement> element = makeElement(fullName, type);
    const SymbolRecord* record = m_symbols ? m_symbols->find(fullName) : nullptr;
    if (record)
        element->typeCode = record->typeCode;

    DesignElement* parent = nullptr;
    switch (type) {
    case ElementType::Symbol:
        element->size = 1;
        if (record) {
            element->inverted = record->inverted;
            element->combinatorial = record->kindCode != kKindS ? 1 : 0;
            element->column = static_cast<std::int32_t>(record->column);
            AddressWord address = 0;
            m_symbols->cellAddress(fullName, address);
            element->row = static_cast<std::int32_t>(rowField(address));
        }
        parent = parentFor(fullName);
        break;
    case ElementType::Composite:
        element->hasChildList = true;
        parent = parentFor(fullName);
        break;
    default: {
        element->hasChildList = true;
        for (DesignElement* member : members)
            if (member)
                element->children.push_back(member);
        bool sameRow = !element->children.empty();
        bool sameColumn = sameRow;
        for (const DesignElement* member : element->children) {
            element->size += member->size;
            sameRow = sameRow && member->row == element->children.front()->row;
            sameColumn = sameColumn && member->column == element->children.front()->column;
        }
        if (sameRow)
            element->row = element->children.front()->row;
        if (sameColumn)
            element->column = element->children.front()->column;
        break;
    }
    }

    element->parent = parent;
    DesignElement* made = insert(std::move(element));
    // Only a filed element joins its parent, so no children list ever holds a freed element.
    if (made && parent)
        adoptChild(*parent, made);
    return made;
}

void DesignTree::buildFromSymbols() {
    if (!m_symbols)
        return;
    SymbolTable::NameIterator names(*m_symbols);
    for (const std::string* name = names.first(); name; name = names.next()) {
        std::uint32_t kind = kKindP;
        if (m_symbols->kindCode(*name, kind) && kind != kKindP)
            addElement(*name, ElementType::Symbol);
    }
}

bool isReadable(const DesignElement& element) {
    if (!element.hasChildList)
        return element.typeCode == kTypeR || element.typeCode == kTypeB;
    for (const DesignElement* child : element.children)
        if (!isReadable(*child))
            return false;
    return true;
}

} // namespace cellwatch
