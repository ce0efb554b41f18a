#pragma once
// The design hierarchy of one session: owns every element and finds it by full name, ignoring
// case, through an open-addressed slot array that grows through the shared prime sizes.

#include "design/design_element.h"
#include "design/name_index.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace cellwatch {

class SymbolRecord;
class SymbolTable;

class DesignTree {
public:
    // symbols may be null; it must outlive the tree's addElement calls.
    explicit DesignTree(const SymbolTable* symbols = nullptr);
    ~DesignTree();

    DesignTree(const DesignTree&) = delete;
    DesignTree& operator=(const DesignTree&) = delete;

    // Adds one symbol element for every name of the symbol table, in the table's iteration order,
    // leaving out kind-P symbols and column records.
    void buildFromSymbols();

    // Takes the element over and files it; returns it, or null (and frees it) when no capacity is
    // left. The caller makes sure the name is not taken.
    DesignElement* insert(std::unique_ptr<DesignElement> element);
    // Takes the element out and hands it back to the caller; null when it is not in this tree.
    std::unique_ptr<DesignElement> remove(DesignElement* element);
    // The element whose fullName equals name ignoring case, or null; always ends, even when
    // removals have left no empty slot.
    DesignElement* find(std::string_view name) const;

    // Makes a symbol, composite or group element, with the composites above it on demand.
    // Null when the name is taken (or for other types).
    DesignElement* addElement(std::string_view fullName, ElementType type,
                              std::vector<DesignElement*> members = {});

    // Forgets the slots (capacity and count 0) without freeing; the elements stay owned by the tree
    // until destroyAll or destruction but are no longer found or listed.
    void clearSlots();
    // Frees every element, then clears the slots.
    void destroyAll();

    DesignElement* first() const { return m_first; }
    DesignElement* last() const { return m_last; }
    std::uint32_t capacity() const { return static_cast<std::uint32_t>(m_slots.size()); }
    std::uint32_t count() const { return m_count; }
    const SymbolTable* symbols() const { return m_symbols; }

private:
    bool grow();
    void place(DesignElement* element);
    std::size_t freeSlotFrom(std::size_t index) const;
    std::size_t firstOpenWord(std::size_t from, std::size_t end) const;
    void markTaken(std::size_t index, bool taken);
    DesignElement* parentFor(std::string_view fullName);
    // indexHash is NameIndex::hashOf(fullName).
    DesignElement* addSymbol(std::string_view fullName, const SymbolRecord* record, std::uint64_t indexHash);
    DesignElement* insertHashed(std::unique_ptr<DesignElement> element, std::uint64_t indexHash);

    const SymbolTable* m_symbols;
    std::vector<DesignElement*> m_slots;
    // Which slots hold an element (one bit each), and which words of those bits are full (one bit
    // per word), so that the linear probe of an insert skips whole runs of taken slots: the table
    // only grows when full, and similar names hash close together, so its probes run long.
    std::vector<std::uint64_t> m_taken;
    std::vector<std::uint64_t> m_full;
    // Finds by name without probing. Every element in the slots is in here under its fullName,
    // which must not change while the element is in the tree.
    NameIndex m_byName;
    std::uint32_t m_count = 0;
    DesignElement* m_first = nullptr;
    DesignElement* m_last = nullptr;
    std::vector<std::unique_ptr<DesignElement>> m_owned;
    DesignElement* m_lastParent = nullptr; // parentFor's last answer
};

// An element without a children list is readable when its type code is R or B; one with a list
// when every child is (an empty list is readable).
bool isReadable(const DesignElement& element);

} // namespace cellwatch
