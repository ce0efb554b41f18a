// The cycle step: one software clock cycle on the board, the read-back of the traced cells, the
// sampling of the trace list into the trace store and the break conditions.

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/scanning.h"

namespace cellwatch {

namespace {

std::uint32_t widthMask(std::uint32_t width) {
    return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
}

void advance(int& time, std::uint32_t step) {
    time = advanceRunTime(time, step);
}

} // namespace

void CWizDoc::ApplySequences() {
    for (const std::unique_ptr<DataSequence>& sequence : m_sequenceList) {
        if (!sequence->hasCurrent())
            continue;
        const std::uint32_t value = sequence->currentValue();
        sequence->advance();
        AssignValue(sequence->element, value, false);
    }
}

void CWizDoc::StepCycle() {
    if (m_pClockElement == nullptr) {
        advance(m_time, 10);
        ReadBoardCells();
        RecordTraces();
        return;
    }
    switch (m_clockMethod) {
    case ClockMethod::None:
        advance(m_time, 10);
        RecordTraces();
        break;
    case ClockMethod::CbufRead:
    case ClockMethod::CbufAssign:
        // The read itself is the clock edge; its value is of no use.
        if (m_bClockReadGroup == 1 && m_pBoard && m_pClockElement->column >= 0 &&
            m_pClockElement->column < m_gridColumns)
            (void)m_pBoard->readColumn(m_pClockElement->column);
        clockedHalfCycles();
        break;
    case ClockMethod::RegOut: {
        DesignElement* reg = m_pClockElement->parent;
        advance(m_time, 5);
        AssignValue(reg, 1, false);
        m_pClockElement->value = 1;
        RecordTraces();
        advance(m_time, 5);
        AssignValue(reg, 0, false);
        m_pClockElement->value = 0;
        RecordTraces();
        break;
    }
    case ClockMethod::External:
        break; // the external clock drives the design; time stands still
    }
}

void CWizDoc::clockedHalfCycles() {
    advance(m_time, 5);
    m_pClockElement->value = 1;
    RecordTraces();
    advance(m_time, 5);
    m_pClockElement->value = 0;
    RecordTraces();
}

void CWizDoc::readGroups(bool skipClockColumn) {
    if (!m_pBoard)
        return;
    const int clockColumn = skipClockColumn ? m_pClockElement->column : -1;
    DesignElement* const* cells = m_readCells.data();
    for (const CellReadGroup& group : m_cellGroups) {
        if (group.column == clockColumn)
            continue;
        m_pBoard->writeMapRegister(group.mask);
        std::uint32_t word = m_pBoard->readColumn(group.column);
        DesignElement* const* cell = cells + group.first;
        for (int i = 0; i < group.rows; ++i, word >>= 1)
            cell[i]->value = word & 1u;
    }
}

void CWizDoc::ReadBoardCells() {
    readGroups(false);
}

void CWizDoc::ReadBoardCellsExceptClock() {
    readGroups(m_pClockElement != nullptr && isCbufMethod(m_clockMethod));
}

void CWizDoc::RecordTraces() {
    if (m_bTracing == 0 || m_traceList.empty())
        return;
    const bool noClock = m_pClockElement == nullptr;
    const bool clockTraced = m_pClockTrace != nullptr;
    const auto time = static_cast<std::uint32_t>(m_time);
    const bool wholeCycle = isWholeCycle(m_time);
    const bool everyEntry = noClock || m_time == 0 || (!clockTraced && wholeCycle);
    const std::uint32_t hidden = m_bHideInversion == 1 ? 1u : 0u;
    TraceRecord record;
    record.time = time;
    for (TracedComponent& entry : m_traceList) {
        // Single cells are most of what is traced: their value without the general walk.
        const DesignElement* element = entry.element;
        std::int32_t value = 0;
        if (element != nullptr &&
            (element->type == ElementType::Symbol || element->type == ElementType::SoftwareClock))
            value = static_cast<std::int32_t>((element->value & 1u) ^ (element->inverted ? hidden : 0u));
        else
            value = static_cast<std::int32_t>(ElementValue(element));
        const bool recorded = everyEntry || (clockTraced && value != entry.lastValue);
        if (!recorded)
            continue;
        entry.previousValue = entry.lastValue;
        entry.lastValue = value;
        record.component = entry.handle;
        record.value = value;
        if (!m_pTraceStore->append(record)) [[unlikely]] {
            if (m_runState == RunState::Cycling)
                m_host.killRunTimer();
            m_runState = RunState::Paused;
            // A batch run cannot wait for room: the engine ends it (with its log) instead.
            if (m_runMode == RunMode::Batch)
                m_bOutOfStorage = true;
            m_host.messageOk("Out of disk space, halting simulation.");
            RefreshLogViews(true);
            m_host.updateAllViews();
            return;
        }
    }
}

std::uint32_t CWizDoc::ElementValue(const DesignElement* element) const {
    if (element == nullptr)
        return 0;
    switch (element->type) {
    case ElementType::Symbol:
    case ElementType::SoftwareClock: {
        std::uint32_t bit = element->value & 1u;
        if (element->inverted && m_bHideInversion == 1)
            bit ^= 1u;
        return bit;
    }
    case ElementType::Group: {
        // The last member holds the lowest bits.
        std::uint32_t result = 0;
        std::uint32_t taken = 0;
        const std::uint32_t hidden = m_bHideInversion == 1 ? 1u : 0u;
        const auto& members = element->children;
        for (auto it = members.rbegin(); it != members.rend() && taken < 32; ++it) {
            const DesignElement* member = *it;
            if (member == nullptr)
                continue;
            // Vectors of single cells are the common case: their bits without a call each.
            if (member->size == 1 &&
                (member->type == ElementType::Symbol || member->type == ElementType::SoftwareClock)) {
                result |= ((member->value & 1u) ^ (member->inverted ? hidden : 0u)) << taken;
                ++taken;
                continue;
            }
            const std::uint32_t width = member->size > 32 ? 32 : member->size;
            const std::uint32_t v = ElementValue(member);
            result |= (v & widthMask(width)) << taken;
            taken += width;
        }
        return result;
    }
    default:
        return 0;
    }
}

bool CWizDoc::CheckBreaks() {
    if (m_breakList.empty())
        return false;
    if (m_breakHeld.size() != m_breakList.size())
        m_breakHeld.assign(m_breakList.size(), 0);
    for (std::size_t i = 0; i < m_breakList.size(); ++i) {
        const BreakCondition& condition = m_breakList[i];
        const bool held = ElementValue(condition.element) == condition.value;
        const bool onset = held && m_breakHeld[i] == 0;
        m_breakHeld[i] = held ? 1 : 0;
        if (!held)
            continue;
        // Nobody is there to continue a batch run: the break is logged when it starts to hold and
        // the run goes on.
        if (m_runMode == RunMode::Batch && !onset)
            return false;
        if (m_runMode != RunMode::Batch) {
            if (m_runState == RunState::Cycling)
                m_host.killRunTimer();
            m_runState = RunState::Paused;
        }
        std::string text = "Break occured: \"";
        text += condition.element->fullName;
        text += "\" = ";
        std::string digits;
        FormatNumber(condition.value, digits, static_cast<int>(condition.element->size), m_radix, '0');
        text += digits;
        LogInfo(text);
        RefreshLogViews(true);
        m_host.updateAllViews();
        return m_runMode != RunMode::Batch;
    }
    return false;
}

} // namespace cellwatch
