// The software clock: choosing and dropping the clock register, the clocking method, the setup
// checks of a parse and the read plan built from the traced cells.

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/section_rewriter.h"

namespace cellwatch {

namespace {

// A group's width after a member left it: the sum of what its members still hold.
std::uint32_t memberBits(const DesignElement* element, int depth) {
    if (element == nullptr || depth > 64)
        return 0;
    if (element->type != ElementType::Group)
        return element->size;
    std::uint32_t bits = 0;
    for (const DesignElement* member : element->children)
        bits += memberBits(member, depth + 1);
    return bits;
}

} // namespace

void CWizDoc::selectClockRegister(DesignElement* reg) {
    if (reg == nullptr || reg->type != ElementType::Symbol || reg->combinatorial != 0 || !m_pDesignTree)
        return;
    removeClockElement();
    dropCyclePlan();
    m_pClockElement = m_pDesignTree->insert(makeSoftwareClock(*reg));
    if (m_pClockElement == nullptr)
        return;
    m_bClockReadGroup = true;
    if (m_pSymbolView != nullptr)
        m_pSymbolView->markClock(*reg);
    if (m_pTraceView != nullptr)
        m_pTraceView->refreshClockMarks();
    m_host.updateAllViews();
}

void CWizDoc::SelectClockFromHierarchy(DesignElement* reg) {
    selectClockRegister(reg);
    TextBuffer* buffer = scriptBuffer();
    if (m_pClockElement != nullptr && m_pClockElement->parent == reg && buffer != nullptr)
        SetClockRegLine(*buffer, reg->fullName);
}

void CWizDoc::removeClockElement() {
    if (m_pClockElement == nullptr)
        return;
    dropCyclePlan();
    DesignElement* clock = m_pClockElement;
    if (TracedComponent* entry = FindTrace(clock)) {
        if (m_pTraceView != nullptr)
            m_pTraceView->removeEntryItem(*entry);
        unlinkTrace(entry);
    }
    if (m_pSymbolView != nullptr && clock->parent != nullptr)
        m_pSymbolView->unmarkClock(*clock->parent);
    m_pClockElement = nullptr;
    m_pClockTrace = nullptr;
    m_clockMethod = ClockMethod::None;
    if (m_pDesignTree) {
        // A vector may name the clock among its members; it must not keep a pointer to it.
        bool shrunk = false;
        for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next) {
            if (e->type == ElementType::Group && std::erase(e->children, clock) != 0)
                shrunk = true;
        }
        if (shrunk) {
            for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next) {
                if (e->type == ElementType::Group)
                    e->size = memberBits(e, 0);
            }
        }
        m_pDesignTree->remove(clock);
    }
    // Steps and declarations compiled against the clock must not outlive it.
    std::erase_if(m_sequenceList, [clock](const auto& s) { return s->element == clock; });
    std::erase_if(m_breakList, [clock](const BreakCondition& b) { return b.element == clock; });
    if (std::erase_if(m_commandList, [clock](const auto& c) { return c->element == clock; }) != 0)
        m_pNextCommand = m_commandList.end();
    if (m_pTraceView != nullptr)
        m_pTraceView->refreshClockMarks();
}

void CWizDoc::DeselectClock() {
    if (m_pClockElement == nullptr)
        return;
    if (TextBuffer* buffer = scriptBuffer())
        RemoveClockRegLine(*buffer);
    removeClockElement();
}

void CWizDoc::storeClockMethod(ClockMethod method) {
    dropCyclePlan();
    m_clockMethod = method;
}

void CWizDoc::setClockingMethod(ClockMethod method) {
    dropCyclePlan();
    m_clockMethod = method;
    if (TextBuffer* buffer = scriptBuffer())
        SetClockModeLine(*buffer, method);
}

bool CWizDoc::sharesClockColumn(const DesignElement* element) const {
    if (m_pClockElement == nullptr || element == nullptr)
        return false;
    const int column = m_pClockElement->column;
    if (element->type == ElementType::Symbol)
        return element->column == column;
    if (element->type == ElementType::Group) {
        for (const DesignElement* member : element->children) {
            if (member != nullptr && member->column == column)
                return true;
        }
    }
    return false;
}

void CWizDoc::checkClockSetup() {
    if (m_pClockElement != nullptr && m_clockMethod == ClockMethod::None)
        LogWarning("You have specified a clock register but no clocking method.");
    if (m_pClockElement == nullptr && m_clockMethod != ClockMethod::None)
        LogWarning("You have specified a clocking method but no clock register.");
}

void CWizDoc::placeCells(std::vector<DesignElement*>& grid, DesignElement* element, int depth) {
    if (element == nullptr || depth > 64)
        return;
    if (element->type == ElementType::Symbol) {
        // Cells outside the fitted device have no place in the maps, nor on the board.
        if (element->column < 0 || element->column >= m_gridColumns || element->row < 0 ||
            element->row >= m_gridRows)
            return;
        grid[static_cast<std::size_t>(element->column) * static_cast<std::size_t>(m_gridRows) +
             static_cast<std::size_t>(element->row)] = element;
    } else if (element->type == ElementType::Group) {
        for (DesignElement* member : element->children)
            placeCells(grid, member, depth + 1);
    }
}

void CWizDoc::buildReadPlan() {
    dropCyclePlan();
    m_cellGroups.clear();
    m_readCells.clear();
    m_readWords.clear();
    m_readSlots.assign(m_traceCells.size(), -1);
    if (!m_pBoard || m_traceCells.empty())
        return;
    std::fill(m_traceCells.begin(), m_traceCells.end(), nullptr);
    const bool cbuf = m_pClockElement != nullptr && isCbufMethod(m_clockMethod);
    const int clockColumn = cbuf ? m_pClockElement->column : -1;
    for (TracedComponent& entry : m_traceList) {
        if (entry.element != m_pClockElement)
            placeCells(m_traceCells, entry.element, 0);
    }
    auto cell = [this](int column, int row) {
        return m_traceCells[static_cast<std::size_t>(column) * static_cast<std::size_t>(m_gridRows) +
                            static_cast<std::size_t>(row)];
    };
    for (int c = 0; c < m_gridColumns; ++c) {
        if (c == clockColumn)
            continue;
        CellReadGroup* group = nullptr;
        for (int r = 0; r < m_gridRows; ++r) {
            if (cell(c, r) == nullptr)
                continue;
            if (group == nullptr || group->rows == 32) {
                group = &m_cellGroups.emplace_back();
                group->column = c;
                group->mask.makeFull();
                group->first = static_cast<int>(m_readCells.size());
            }
            group->mask.clearRow(r);
            ++group->rows;
            m_readCells.push_back(cell(c, r));
        }
    }
    if (clockColumn >= 0 && clockColumn < m_gridColumns) {
        CellReadGroup group;
        group.column = clockColumn;
        group.mask.makeFull();
        group.first = static_cast<int>(m_readCells.size());
        for (int r = 0; r < m_gridRows; ++r) {
            if (cell(clockColumn, r) == nullptr)
                continue;
            if (group.rows == 32) {
                LogError("Can only trace 32 bits in the same column as the clock register when using CBUF "
                         "clocking.");
                break;
            }
            group.mask.clearRow(r);
            ++group.rows;
            m_readCells.push_back(cell(clockColumn, r));
        }
        if (group.rows > 0) {
            m_cellGroups.push_back(group);
            m_bClockReadGroup = false;
        }
    }
    for (CellReadGroup& group : m_cellGroups)
        group.access = prepareColumnAccess(group.mask, group.column);
    // Each group's word starts as its cells stand; reads and assignments keep the two in step.
    m_readWords.assign(m_cellGroups.size(), 0);
    for (std::size_t g = 0; g < m_cellGroups.size(); ++g) {
        const CellReadGroup& group = m_cellGroups[g];
        for (int i = 0; i < group.rows; ++i) {
            const DesignElement* cell = m_readCells[static_cast<std::size_t>(group.first + i)];
            m_readWords[g] |= (cell->value & 1u) << i;
            m_readSlots[static_cast<std::size_t>(cell->column) * static_cast<std::size_t>(m_gridRows) +
                        static_cast<std::size_t>(cell->row)] = static_cast<std::int32_t>(g * 32 + static_cast<std::size_t>(i));
        }
    }
}

} // namespace cellwatch
