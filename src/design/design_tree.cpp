#include "design/design_tree.h"

#include <algorithm>

#include "design/device_geometry.h"
#include "design/name_hash.h"
#include "design/symbol_table.h"

#include <algorithm>
#include <bit>
#include <string>
#include <unordered_set>
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

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
    return folded;
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
    // Bits past the last slot count as taken, so no probe ever lands there.
    m_taken.assign((size + 63) / 64, 0);
    if (size % 64)
        m_taken.back() = ~std::uint64_t{0} << (size % 64);
    m_full.assign((m_taken.size() + 63) / 64, 0);
    m_count = 0;
    m_first = nullptr;
    m_last = nullptr;
    // Refiling in old slot order also rebuilds the insertion-order list in that order.
    for (DesignElement* element : old)
        if (element && element != kRemoved)
            place(element);
    return true;
}

std::size_t DesignTree::firstOpenWord(std::size_t from, std::size_t end) const {
    while (from < end) {
        const std::size_t summary = from / 64;
        const std::uint64_t open = ~m_full[summary] & (~std::uint64_t{0} << (from % 64));
        if (open) {
            const std::size_t word = summary * 64 + static_cast<std::size_t>(std::countr_zero(open));
            return word < end ? word : end;
        }
        from = (summary + 1) * 64;
    }
    return end;
}

std::size_t DesignTree::freeSlotFrom(std::size_t index) const {
    // The first slot at or after index, wrapping, that holds no element (empty or removed-marker).
    const std::size_t words = m_taken.size();
    const std::size_t word = index / 64;
    const std::uint64_t here = ~m_taken[word] & (~std::uint64_t{0} << (index % 64));
    if (here)
        return word * 64 + static_cast<std::size_t>(std::countr_zero(here));
    std::size_t open = firstOpenWord(word + 1, words);
    if (open == words) {
        open = firstOpenWord(0, word + 1); // wrapped: word itself can only offer slots below index
        if (open == word + 1)
            return m_slots.size(); // unreachable while count + 1 < capacity
    }
    return open * 64 + static_cast<std::size_t>(std::countr_zero(~m_taken[open]));
}

void DesignTree::markTaken(std::size_t index, bool taken) {
    const std::size_t word = index / 64;
    const std::uint64_t bit = std::uint64_t{1} << (index % 64);
    if (taken)
        m_taken[word] |= bit;
    else
        m_taken[word] &= ~bit;
    const std::uint64_t summaryBit = std::uint64_t{1} << (word % 64);
    if (m_taken[word] == ~std::uint64_t{0})
        m_full[word / 64] |= summaryBit;
    else
        m_full[word / 64] &= ~summaryBit;
}

void DesignTree::place(DesignElement* element) {
    const std::size_t index = freeSlotFrom(element->m_hash % m_slots.size());
    m_slots[index] = element;
    markTaken(index, true);
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
    const std::uint64_t indexHash = NameIndex::hashOf(element->fullName);
    return insertHashed(std::move(element), indexHash);
}

DesignElement* DesignTree::insertHashed(std::unique_ptr<DesignElement> element, std::uint64_t indexHash) {
    if (m_count + 1 >= capacity())
        grow();
    if (m_count + 1 >= capacity())
        return nullptr;
    DesignElement* raw = element.get();
    raw->m_hash = nameHash(raw->fullName);
    place(raw);
    m_byName.insert(raw, indexHash);
    raw->m_ownerIndex = m_owned.size();
    m_owned.push_back(std::move(element));
    return raw;
}

std::unique_ptr<DesignElement> DesignTree::remove(DesignElement* element) {
    if (!element || element->slot < 0 || static_cast<std::size_t>(element->slot) >= m_slots.size() ||
        m_slots[static_cast<std::size_t>(element->slot)] != element)
        return nullptr;
    if (element == m_lastParent)
        m_lastParent = nullptr;
    m_slots[static_cast<std::size_t>(element->slot)] = kRemoved;
    markTaken(static_cast<std::size_t>(element->slot), false);
    m_byName.erase(element);
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
    // A probe from the name's slot would end at the first empty slot, and removals can leave none;
    // the name index gives the same element and always ends.
    return m_byName.find(name);
}

void DesignTree::clearSlots() {
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_taken.clear();
    m_full.clear();
    m_byName.clear();
    m_lastParent = nullptr;
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
    // Neighbouring names in table order mostly share their level, so the last answer is tried first.
    const std::string_view direct = prefixOf(fullName);
    if (m_lastParent && !direct.empty() && m_lastParent->fullName == direct && m_lastParent->slot >= 0)
        return m_lastParent;
    std::vector<std::string_view> missing;
    DesignElement* parent = nullptr;
    for (std::string_view p = direct; !p.empty(); p = prefixOf(p)) {
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
    m_lastParent = parent;
    return parent;
}

DesignElement* DesignTree::addElement(std::string_view fullName, ElementType type,
                                      std::vector<DesignElement*> members) {
    if (find(fullName))
        return nullptr;
    if (type == ElementType::Symbol)
        return addSymbol(fullName, m_symbols ? m_symbols->find(fullName) : nullptr,
                         NameIndex::hashOf(fullName));
    if (type != ElementType::Composite && type != ElementType::Group)
        return nullptr;
    std::unique_ptr<DesignElement> element = makeElement(fullName, type);
    if (m_symbols)
        m_symbols->typeCode(fullName, element->typeCode);
    element->hasChildList = true;

    if (type == ElementType::Composite) {
        DesignElement* parent = parentFor(fullName);
        element->parent = parent;
        DesignElement* made = insert(std::move(element));
        if (made && parent)
            adoptChild(*parent, made);
        return made;
    }

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
    return insert(std::move(element));
}

// fullName is not taken; record is the symbol table's record of it (the first of that name), or null.
DesignElement* DesignTree::addSymbol(std::string_view fullName, const SymbolRecord* record,
                                     std::uint64_t indexHash) {
    std::unique_ptr<DesignElement> element = makeElement(fullName, ElementType::Symbol);
    element->size = 1;
    // Without a record the element has no place on the device: row and column stay -1.
    if (record) {
        element->typeCode = record->typeCode;
        element->inverted = record->inverted;
        element->combinatorial = record->kindCode != kKindS ? 1 : 0;
        element->column = static_cast<std::int32_t>(record->column);
        element->row = static_cast<std::int32_t>(rowField(cellAddressOf(*record)));
    }
    DesignElement* parent = parentFor(fullName);
    element->parent = parent;
    DesignElement* made = insertHashed(std::move(element), indexHash);
    // Only a filed element joins its parent, so no children list ever holds a freed element.
    if (made && parent)
        adoptChild(*parent, made);
    return made;
}

void DesignTree::buildFromSymbols() {
    if (!m_symbols)
        return;
    m_byName.reserve(m_byName.size() + m_symbols->entryCount());
    m_owned.reserve(m_owned.size() + m_symbols->entryCount());
    // Lookups go by name, so a duplicate answers with the first record of its name. Records of one
    // name share a chain and come in chain order: a record whose name the tree lacks is the first
    // of its name unless an earlier record of that name was a hidden kind-P one.
    std::unordered_set<std::string> hidden;
    SymbolTable::NameIterator names(*m_symbols);
    for (const std::string* name = names.first(); name; name = names.next()) {
        const SymbolRecord* record = names.record();
        if (record->kindCode == kKindP) {
            if (!find(*name))
                hidden.insert(foldedName(*name));
            continue;
        }
        const std::uint64_t indexHash = NameIndex::hashOf(*name);
        if (m_byName.find(*name, indexHash) || (!hidden.empty() && hidden.count(foldedName(*name))))
            continue;
        addSymbol(*name, record, indexHash);
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

namespace {
int groupDepthBelow(const DesignElement* element, int depth) {
    if (element == nullptr || element->type != ElementType::Group)
        return 0;
    if (depth > kMaxGroupDepth)
        return 1; // deep enough to be refused; the rest is not walked
    int deepest = 0;
    for (const DesignElement* member : element->children)
        deepest = std::max(deepest, groupDepthBelow(member, depth + 1));
    return deepest + 1;
}
} // namespace

int groupDepth(const DesignElement* element) {
    return groupDepthBelow(element, 0);
}

std::unique_ptr<DesignElement> makeSoftwareClock(DesignElement& reg) {
    auto clock = std::make_unique<DesignElement>();
    clock->type = ElementType::SoftwareClock;
    clock->size = 1;
    clock->shortName = kSoftwareClockName;
    clock->fullName = kSoftwareClockName;
    clock->parent = &reg;
    clock->row = reg.row;
    clock->column = reg.column;
    clock->typeCode = 1;
    clock->radix = -1;
    return clock;
}

} // namespace cellwatch
