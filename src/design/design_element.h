#pragma once
// One element of the design hierarchy: a symbol, a composite level of hierarchical names, a group
// (vector) of traced elements, or the software clock. Elements are owned by the DesignTree and
// stay at one address for as long as they are held there.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cellwatch {

enum class ElementType : std::int32_t { Symbol = 0, Composite = 1, Group = 2, SoftwareClock = 3 };

// The full and short name of the one software-clock element.
inline constexpr const char* kSoftwareClockName = "SOFTWARE_CLOCK";

class DesignElement {
public:
    ElementType type = ElementType::Symbol;
    // Bits for a symbol, clock or group; direct children for a composite.
    std::uint32_t size = 0;
    std::string shortName; // fullName after its last '\'
    std::string fullName;  // the tree's key, compared without regard to case
    // Composites and groups have a children list (members for a group) even when it is empty;
    // whether the list exists decides how isReadable judges the element.
    bool hasChildList = false;
    std::vector<DesignElement*> children;
    // Symbol or composite: the composite one level up; software clock: its register.
    DesignElement* parent = nullptr;
    std::int32_t combinatorial = 0;
    std::int32_t row = -1;
    std::int32_t column = -1;
    std::uintptr_t treeItem = 0; // the hierarchy view's handle for the element
    std::int32_t radix = -1;     // 2, 8, 10, 16, or -1 for the default
    std::uint32_t typeCode = 0;  // the symbol's X/R/B/W code; 1 for the software clock
    bool inverted = false;
    std::uint32_t value = 0;           // the bit last assigned by a run
    std::int32_t slot = -1;            // position in the tree's slot array, -1 while outside it
    DesignElement* next = nullptr;     // insertion order
    DesignElement* previous = nullptr; // insertion order

private:
    friend class DesignTree;
    std::size_t m_ownerIndex = 0;
    std::uint32_t m_hash = 0; // nameHash(fullName), taken when the element enters the tree
};

// Groups nest no deeper than this: a vector whose members are groups nested deeper is refused, so
// that assignments, reads and traces always reach every cell.
inline constexpr int kMaxGroupDepth = 64;

// How many group levels element stands for: 0 for a symbol or clock, 1 for a group of symbols, one
// more than its deepest member for a group of groups. Stops counting past kMaxGroupDepth + 1.
int groupDepth(const DesignElement* element);

// The one-bit software-clock element on a register: it takes the register's place on the device
// and is not yet in any tree.
std::unique_ptr<DesignElement> makeSoftwareClock(DesignElement& reg);

} // namespace cellwatch
