// Checks and break conditions compare what the board holds: the cells of their elements that the
// read plan does not read (untraced ones) are read back before comparing.

#include "app/cwiz_doc.h"
#include "design/design_element.h"

#include <algorithm>
#include <utility>

namespace cellwatch {

void CWizDoc::planElementReads(const std::vector<DesignElement*>& elements, ElementReads& reads) {
    reads.batches.clear();
    reads.cells.clear();
    if (!m_pBoard)
        return;
    // Under CBUF clocking a read of the clock column is a clock edge: only the clock step reads it.
    const int clockColumn =
        m_pClockElement != nullptr && isCbufMethod(m_clockMethod) ? m_pClockElement->column : -1;
    const auto rows = static_cast<std::size_t>(m_gridRows);
    std::vector<std::pair<std::size_t, DesignElement*>> placed;
    auto take = [&](DesignElement* cell, std::int32_t bit) {
        // The software clock's value is the session's own; bits past 32 are no part of the value.
        if (bit < 0 || cell->type != ElementType::Symbol)
            return;
        if (cell->column < 0 || cell->column >= m_gridColumns || cell->row < 0 || cell->row >= m_gridRows ||
            cell->column == clockColumn)
            return;
        std::uint32_t wordBit = 0;
        if (readWordOf(cell, wordBit) != nullptr)
            return; // the read plan brings it in
        placed.emplace_back(static_cast<std::size_t>(cell->column) * rows + static_cast<std::size_t>(cell->row), cell);
    };
    for (DesignElement* element : elements)
        walkValueCells(element, take);
    std::sort(placed.begin(), placed.end());
    placed.erase(std::unique(placed.begin(), placed.end()), placed.end());
    // Column by column, rows ascending, at most 32 rows a read; two elements at one place share its bit.
    RowMask mask;
    int column = -1;
    std::uint32_t rowsTaken = 0;
    std::size_t lastPlace = static_cast<std::size_t>(-1);
    auto close = [&] {
        if (column >= 0)
            reads.batches.push_back(prepareColumnAccess(mask, column));
    };
    for (const auto& [place, cell] : placed) {
        const int placeColumn = static_cast<int>(place / rows);
        const bool newRow = place != lastPlace;
        if (placeColumn != column || (newRow && rowsTaken == 32)) {
            close();
            column = placeColumn;
            mask.makeFull();
            rowsTaken = 0;
        }
        if (newRow) {
            mask.clearRow(static_cast<int>(place % rows));
            ++rowsTaken;
            lastPlace = place;
        }
        reads.cells.push_back({cell, static_cast<std::uint32_t>(reads.batches.size()), rowsTaken - 1});
    }
    close();
}

void CWizDoc::readElementCells(const ElementReads& reads) {
    if (!m_pBoard)
        return;
    std::size_t c = 0;
    for (std::size_t b = 0; b < reads.batches.size(); ++b) {
        const std::uint32_t word = m_pBoard->readColumnRows(reads.batches[b]);
        for (; c < reads.cells.size() && reads.cells[c].batch == b; ++c)
            reads.cells[c].cell->value = (word >> reads.cells[c].bit) & 1u;
    }
}

void CWizDoc::readBreakCells() {
    if (!m_cyclePlanReady)
        buildCyclePlan();
    readElementCells(m_breakReads);
}

} // namespace cellwatch
