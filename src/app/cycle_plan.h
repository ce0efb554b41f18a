#pragma once
// What the cycle step works from instead of walking elements every half cycle: how each traced
// entry's value is put together from the words the read groups last read (and from the cells the
// reads do not cover), and how the elements driven every cycle (the clock register, data sequences)
// spread their value and write their cells. The session builds it from the trace list, the read
// plan and the clock set-up, and drops it whenever one of them changes.

#include "board/column_access.h"
#include "design/design_element.h"
#include "design/device_geometry.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace cellwatch {

struct TracedComponent;

// Groups nest no deeper than this; what lies below is neither assigned nor read.
inline constexpr int kMaxGroupDepth = 64;

// Calls take(cell, bit) for every symbol and software clock under element, in the order an
// assignment reaches them: a group hands its members, last first, the low bits of what is left
// (as many as each member is wide, at most 32). bit is the bit of a 32-bit value the cell carries,
// or -1 where no bit reaches it (an assignment gives it 0, a read leaves it out). base and reach
// say which bits of that value the element itself receives.
template <class Take>
void walkValueCells(DesignElement* element, Take& take, std::uint32_t base = 0, std::uint32_t reach = 32,
                    int depth = 0) {
    if (element == nullptr || depth > kMaxGroupDepth)
        return;
    if (element->type == ElementType::Symbol || element->type == ElementType::SoftwareClock) {
        take(element, reach > 0 && base < 32 ? static_cast<std::int32_t>(base) : -1);
        return;
    }
    if (element->type != ElementType::Group)
        return;
    std::uint32_t offset = 0; // stops growing once past 32: nothing reaches the rest
    for (auto it = element->children.rbegin(); it != element->children.rend(); ++it) {
        DesignElement* member = *it;
        if (member == nullptr)
            continue;
        const std::uint32_t width = std::min<std::uint32_t>(member->size, 32);
        const std::uint32_t memberReach = offset >= reach ? 0 : std::min(width, reach - offset);
        walkValueCells(member, take, base + offset, memberReach, depth + 1);
        offset = std::min<std::uint32_t>(offset + width, 64);
    }
}

// Bits of one source that land side by side in a value: (*source >> from & mask) << to.
struct ValuePiece {
    const std::uint32_t* source = nullptr; // a read group's last word, or a cell's value
    std::uint32_t mask = 0;
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};

// One traced entry: its value is the OR of its pieces, with `inverted` flipped while inversions
// are hidden. Most entries are one piece landing at bit 0: that one is held here.
struct TraceValuePlan {
    TracedComponent* entry = nullptr;
    const std::uint32_t* source = nullptr;
    std::uint32_t mask = 0;
    std::uint32_t from = 0;
    std::uint32_t inverted = 0;
    std::uint32_t firstMore = 0; // the other pieces in the session's piece list
    std::uint32_t moreCount = 0;
    bool readsOnly = true; // every piece is a read group's word
};

// One cell an assignment spreads over, in the order the value walk reaches it.
struct SpreadCell {
    DesignElement* cell = nullptr;
    std::int32_t bit = -1;          // the bit of the assigned value it takes; -1: it takes 0
    std::uint32_t* word = nullptr;  // the read group word that holds the cell, or null
    std::uint32_t wordBit = 0;
};

// One write of an assignment: up to 32 cells of one column, rows ascending.
struct AssignBatch {
    int column = 0;
    RowMask mask;       // full, then one cleared bit per row written
    std::uint32_t first = 0; // its first cell in AssignPlan::cells
    std::uint32_t count = 0;
    ColumnAccess access;     // mask and column, prepared for the board
};

// An element's assignment worked out once. Not `direct` when a cell lies in the clock's column
// under CBUF clocking: the write then clocks the design (or is refused) and takes the general path.
struct AssignPlan {
    DesignElement* element = nullptr;
    bool direct = false;
    bool touchesReads = false; // a cell it spreads over is read by a read group
    std::vector<SpreadCell> spread;
    std::vector<DesignElement*> cells;
    std::vector<AssignBatch> batches;
};

// The cells of checked or break condition elements that the read plan leaves out, read back before
// comparing: batches of up to 32 rows of one column, and each cell with the batch and bit it takes.
struct ElementReads {
    struct Cell {
        DesignElement* cell = nullptr;
        std::uint32_t batch = 0;
        std::uint32_t bit = 0;
    };
    std::vector<ColumnAccess> batches;
    std::vector<Cell> cells; // in batch order
};

} // namespace cellwatch
