// Driving design elements on the board: spreading a value over an element's cells, the write with
// its clock-column rules, and clearing every register.

#include "app/cwiz_doc.h"
#include "app/cycle_plan.h"
#include "app/log_format.h"
#include "design/design_element.h"
#include "script/scanning.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace cellwatch {

namespace {

// The bit a cell's write carries: what was assigned, whatever the cell's read-back polarity.
std::uint32_t writtenBit(const DesignElement* cell) {
    return (cell->value & 1u) ^ (cell->inverted ? 1u : 0u);
}

} // namespace

std::uint32_t* CWizDoc::readWordOf(const DesignElement* cell, std::uint32_t& bit) {
    if (cell->type != ElementType::Symbol || cell->column < 0 || cell->column >= m_gridColumns || cell->row < 0 ||
        cell->row >= m_gridRows)
        return nullptr;
    const std::size_t index =
        static_cast<std::size_t>(cell->column) * static_cast<std::size_t>(m_gridRows) + static_cast<std::size_t>(cell->row);
    if (index >= m_readSlots.size() || m_readSlots[index] < 0)
        return nullptr;
    const auto slot = static_cast<std::size_t>(m_readSlots[index]);
    const std::size_t group = slot / 32;
    bit = static_cast<std::uint32_t>(slot % 32);
    // Another element at the same place is not the cell the group reads.
    if (group >= m_cellGroups.size() || group >= m_readWords.size() ||
        m_readCells[static_cast<std::size_t>(m_cellGroups[group].first) + bit] != cell)
        return nullptr;
    return &m_readWords[group];
}

// Gives each cell its bit. A cell keeps the bit as it will read back, so that an inverted cell shows
// the assigned value again with inversions hidden, even before the next read-back; a read group's
// word follows its cells.
void CWizDoc::spreadValue(DesignElement* element, std::uint32_t value) {
    auto take = [this, value](DesignElement* cell, std::int32_t bit) {
        const std::uint32_t carried = bit >= 0 ? (value >> bit) & 1u : 0u;
        cell->value = carried ^ (cell->inverted ? 1u : 0u);
        std::uint32_t wordBit = 0;
        if (std::uint32_t* word = readWordOf(cell, wordBit))
            *word = (*word & ~(1u << wordBit)) | cell->value << wordBit;
    };
    walkValueCells(element, take);
}

void CWizDoc::collectAssignCells(DesignElement* element, int depth) {
    if (element == nullptr || depth > kMaxGroupDepth)
        return;
    if (element->type == ElementType::Symbol) {
        // Cells outside the fitted device never reach the board.
        if (element->column < 0 || element->column >= m_gridColumns || element->row < 0 ||
            element->row >= m_gridRows)
            return;
        const std::size_t index =
            static_cast<std::size_t>(element->column) * static_cast<std::size_t>(m_gridRows) +
            static_cast<std::size_t>(element->row);
        if (m_assignCells[index] == nullptr)
            m_assignList.push_back(index);
        m_assignCells[index] = element;
    } else if (element->type == ElementType::Group) {
        for (DesignElement* member : element->children)
            collectAssignCells(member, depth + 1);
    }
}

void CWizDoc::writeAssignBatches(int skipColumn) {
    const auto rows = static_cast<std::size_t>(m_gridRows);
    std::size_t i = 0;
    while (i < m_assignList.size()) {
        const int column = static_cast<int>(m_assignList[i] / rows);
        if (column == skipColumn) {
            ++i;
            continue;
        }
        RowMask mask;
        mask.makeFull();
        std::uint32_t bits = 0;
        int count = 0;
        while (i < m_assignList.size() && count < 32 && static_cast<int>(m_assignList[i] / rows) == column) {
            const std::size_t index = m_assignList[i];
            mask.clearRow(static_cast<int>(index % rows));
            bits |= writtenBit(m_assignCells[index]) << count;
            ++count;
            ++i;
        }
        m_pBoard->writeMapRegister(mask);
        m_pBoard->writeColumn(column, bits);
    }
}

bool CWizDoc::checkAssignment(DesignElement* element) {
    if (!m_pBoard || m_assignCells.empty())
        return true;
    m_assignList.clear();
    collectAssignCells(element, 0);
    // Column by column, rows ascending: the grid index orders them so.
    if (m_assignList.size() > 1)
        std::sort(m_assignList.begin(), m_assignList.end());

    const bool cbuf = m_pClockElement != nullptr && isCbufMethod(m_clockMethod);
    const int clockColumn = cbuf ? m_pClockElement->column : -1;
    int n = 0;
    if (cbuf) {
        for (std::size_t index : m_assignList)
            if (static_cast<int>(index / static_cast<std::size_t>(m_gridRows)) == clockColumn)
                ++n;
    }
    bool ok = true;
    if (m_clockMethod == ClockMethod::CbufRead && n > 0) {
        LogError("Cannot assign to \"" + element->fullName +
                 "\" as it lies in same column as clock register.");
        ok = false;
    } else if (m_clockMethod == ClockMethod::CbufAssign && n > 32) {
        LogError("Cannot assign to \"" + element->fullName +
                 "\" as it has too many bits in same column as clock register (max 32 bits).");
        ok = false;
    } else {
        writeAssignBatches(n > 0 ? clockColumn : -1);
        if (n > 0) {
            // Writing the clock column clocks the design: the cycle is made here.
            ReadBoardCellsExceptClock();
            clockedHalfCycles();
            RowMask mask;
            mask.makeFull();
            std::uint32_t bits = 0;
            int count = 0;
            for (std::size_t index : m_assignList) {
                if (static_cast<int>(index / static_cast<std::size_t>(m_gridRows)) != clockColumn)
                    continue;
                mask.clearRow(static_cast<int>(index % static_cast<std::size_t>(m_gridRows)));
                bits |= writtenBit(m_assignCells[index]) << count;
                ++count;
            }
            m_pBoard->writeMapRegister(mask);
            m_pBoard->writeColumn(clockColumn, bits);
            ReadBoardCellsExceptClock();
            m_bStepDone = true;
        }
    }
    for (std::size_t index : m_assignList)
        m_assignCells[index] = nullptr;
    m_assignList.clear();
    return ok;
}

bool CWizDoc::AssignValue(DesignElement* element, std::uint32_t value, bool log) {
    if (element == nullptr)
        return false;
    spreadValue(element, value);
    if (!checkAssignment(element))
        return false;
    if (log) {
        std::string digits;
        FormatNumber(value, digits, digitCount(element->size, m_radix), m_radix, '0');
        LogInfo("Assigned " + digits + " to " + element->shortName + ".");
    }
    return true;
}

void CWizDoc::planAssignment(DesignElement* element, AssignPlan& plan) {
    plan.element = element;
    plan.direct = false;
    plan.touchesReads = false;
    plan.spread.clear();
    plan.cells.clear();
    plan.batches.clear();
    if (element == nullptr)
        return;
    // Grid place and cell of every cell on the device, in walk order. Kept apart from the scratch
    // lists of checkAssignment: a plan may be made while an assignment is under way.
    std::vector<std::pair<std::size_t, DesignElement*>> placed;
    auto take = [this, &plan, &placed](DesignElement* cell, std::int32_t bit) {
        SpreadCell step;
        step.cell = cell;
        step.bit = bit;
        step.word = readWordOf(cell, step.wordBit);
        plan.touchesReads = plan.touchesReads || step.word != nullptr;
        plan.spread.push_back(step);
        if (cell->type == ElementType::Symbol && cell->column >= 0 && cell->column < m_gridColumns &&
            cell->row >= 0 && cell->row < m_gridRows)
            placed.emplace_back(static_cast<std::size_t>(cell->column) * static_cast<std::size_t>(m_gridRows) +
                                    static_cast<std::size_t>(cell->row),
                                cell);
    };
    walkValueCells(element, take);
    if (!m_pBoard || m_assignCells.empty())
        return;
    // Column by column, rows ascending. Of two cells at one place, the one collectAssignCells
    // reaches last writes: its walk runs the other way round, so that is the first here.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    placed.erase(std::unique(placed.begin(), placed.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 placed.end());
    const bool cbuf = m_pClockElement != nullptr && isCbufMethod(m_clockMethod);
    const auto rows = static_cast<std::size_t>(m_gridRows);
    bool clockColumnHit = false;
    // The batches as writeAssignBatches cuts them.
    std::size_t i = 0;
    while (i < placed.size()) {
        const int column = static_cast<int>(placed[i].first / rows);
        if (cbuf && column == m_pClockElement->column)
            clockColumnHit = true;
        AssignBatch& batch = plan.batches.emplace_back();
        batch.column = column;
        batch.mask.makeFull();
        batch.first = static_cast<std::uint32_t>(plan.cells.size());
        while (i < placed.size() && batch.count < 32 && static_cast<int>(placed[i].first / rows) == column) {
            batch.mask.clearRow(static_cast<int>(placed[i].first % rows));
            plan.cells.push_back(placed[i].second);
            ++batch.count;
            ++i;
        }
        batch.access = prepareColumnAccess(batch.mask, batch.column);
    }
    plan.direct = !clockColumnHit;
}

void CWizDoc::assignPlanned(const AssignPlan& plan, std::uint32_t value) {
    if (!plan.direct) {
        AssignValue(plan.element, value, false);
        return;
    }
    for (const SpreadCell& step : plan.spread) {
        const std::uint32_t carried = step.bit >= 0 ? (value >> step.bit) & 1u : 0u;
        const std::uint32_t bit = carried ^ (step.cell->inverted ? 1u : 0u);
        step.cell->value = bit;
        if (step.word != nullptr)
            *step.word = (*step.word & ~(1u << step.wordBit)) | bit << step.wordBit;
    }
    DesignElement* const* cells = plan.cells.data();
    for (const AssignBatch& batch : plan.batches) {
        std::uint32_t bits = 0;
        for (std::uint32_t k = 0; k < batch.count; ++k)
            bits |= writtenBit(cells[batch.first + k]) << k;
        m_pBoard->writeColumnRows(batch.access, bits);
    }
}

void CWizDoc::ClearRegisters() {
    if (m_pDesignTree) {
        for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next) {
            if (e->type != ElementType::Symbol || e->combinatorial != 0)
                continue;
            if (m_pClockElement != nullptr && e->column == m_pClockElement->column)
                continue;
            AssignValue(e, 0, false);
        }
    }
    if (m_pBoard)
        m_pBoard->assertClear();
}

} // namespace cellwatch
