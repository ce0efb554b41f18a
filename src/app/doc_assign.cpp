// Driving design elements on the board: spreading a value over an element's cells, the write with
// its clock-column rules, and clearing every register.

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "design/design_element.h"
#include "script/scanning.h"

#include <algorithm>

namespace cellwatch {

namespace {

constexpr int kMaxDepth = 64;

// Gives each cell its bit: a symbol takes bit 0, a group hands its members, last first, the low
// bits of what is left. A cell keeps the bit as it will read back, so that an inverted cell shows
// the assigned value again with inversions hidden, even before the next read-back.
void spread(DesignElement* element, std::uint32_t value, int depth) {
    if (element == nullptr || depth > kMaxDepth)
        return;
    if (element->type == ElementType::Symbol || element->type == ElementType::SoftwareClock) {
        element->value = (value & 1u) ^ (element->inverted ? 1u : 0u);
        return;
    }
    if (element->type != ElementType::Group)
        return;
    for (auto it = element->children.rbegin(); it != element->children.rend(); ++it) {
        DesignElement* member = *it;
        if (member == nullptr)
            continue;
        const std::uint32_t width = member->size > 32 ? 32 : member->size;
        const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
        spread(member, value & mask, depth + 1);
        value = width >= 32 ? 0 : value >> width;
    }
}

// The bit a cell's write carries: what was assigned, whatever the cell's read-back polarity.
std::uint32_t writtenBit(const DesignElement* cell) {
    return (cell->value & 1u) ^ (cell->inverted ? 1u : 0u);
}

} // namespace

void CWizDoc::collectAssignCells(DesignElement* element, int depth) {
    if (element == nullptr || depth > kMaxDepth)
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
            m_bStepDone = 1;
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
    spread(element, value, 0);
    if (!checkAssignment(element))
        return false;
    if (log) {
        std::string digits;
        FormatNumber(value, digits, DigitCount(element->size, m_radix), m_radix, '0');
        LogInfo("Assigned " + digits + " to " + element->shortName + ".");
    }
    return true;
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
