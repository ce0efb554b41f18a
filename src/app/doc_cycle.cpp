// The cycle step: one software clock cycle on the board, the read-back of the traced cells, the
// sampling of the trace list into the trace store and the break conditions.

#include "app/cwiz_doc.h"
#include "app/cycle_plan.h"
#include "design/design_element.h"
#include "script/scanning.h"

#include <bit>
#include <cassert>

namespace cellwatch {

namespace {

std::uint32_t widthMask(std::uint32_t width) {
    return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
}

void advance(int& time, std::uint32_t step) {
    time = advanceRunTime(time, step);
}

std::uint32_t rowBits(int rows) {
    return rows >= 32 ? 0xFFFFFFFFu : (1u << rows) - 1u;
}

[[maybe_unused]] bool wordMatchesCells(std::uint32_t word, DesignElement* const* cells, int rows) {
    for (int i = 0; i < rows; ++i) {
        if ((cells[i]->value & 1u) != ((word >> i) & 1u))
            return false;
    }
    return true;
}

} // namespace

void CWizDoc::ApplySequences() {
    if (m_sequenceList.empty())
        return;
    if (!m_cyclePlanReady || m_sequenceAssigns.size() != m_sequenceList.size())
        buildCyclePlan();
    std::size_t i = 0;
    for (const std::unique_ptr<DataSequence>& sequence : m_sequenceList) {
        const std::size_t index = i++;
        if (!sequence->hasCurrent())
            continue;
        const std::uint32_t value = sequence->currentValue();
        sequence->advance();
        if (m_cyclePlanReady && index < m_sequenceAssigns.size() &&
            m_sequenceAssigns[index].element == sequence->element)
            assignPlanned(m_sequenceAssigns[index], value);
        else
            AssignValue(sequence->element, value, false);
    }
}

void CWizDoc::buildCyclePlan() {
    m_traceValues.clear();
    m_valuePieces.clear();
    for (TracedComponent& entry : m_traceList)
        planTraceValue(entry);
    m_unreadValues.clear();
    for (std::size_t i = 0; i < m_traceValues.size(); ++i)
        if (!m_traceValues[i].readsOnly)
            m_unreadValues.push_back(static_cast<std::uint32_t>(i));
    planAssignment(m_pClockElement != nullptr ? m_pClockElement->parent : nullptr, m_clockAssign);
    m_sequenceAssigns.resize(m_sequenceList.size());
    std::size_t i = 0;
    for (const std::unique_ptr<DataSequence>& sequence : m_sequenceList)
        planAssignment(sequence->element, m_sequenceAssigns[i++]);
    std::vector<DesignElement*> breakElements;
    for (const BreakCondition& condition : m_breakList)
        breakElements.push_back(condition.element);
    planElementReads(breakElements, m_breakReads);
    m_cyclePlanReady = true;
}

void CWizDoc::planTraceValue(TracedComponent& entry) {
    // Pieces are gathered at the end of the shared list, the first then moved into the entry.
    const std::size_t start = m_valuePieces.size();
    TraceValuePlan plan;
    plan.entry = &entry;
    const ElementType type = entry.element != nullptr ? entry.element->type : ElementType::Composite;
    // A composite reads as 0; a single cell as its bit, whatever its size.
    if (type == ElementType::Group || type == ElementType::Symbol || type == ElementType::SoftwareClock) {
        auto take = [this, &plan, start](DesignElement* cell, std::int32_t bit) {
            if (bit < 0)
                return;
            const auto to = static_cast<std::uint32_t>(bit);
            if (cell->inverted)
                plan.inverted |= 1u << to;
            ValuePiece piece;
            piece.source = &cell->value;
            piece.mask = 1;
            if (std::uint32_t* word = readWordOf(cell, piece.from)) {
                piece.source = word;
            } else {
                piece.from = 0;
                plan.readsOnly = false;
            }
            piece.to = to;
            // Cells read side by side that land side by side make one piece.
            if (m_valuePieces.size() > start) {
                ValuePiece& last = m_valuePieces.back();
                const auto width = static_cast<std::uint32_t>(std::popcount(last.mask));
                if (last.source == piece.source && piece.from == last.from + width && piece.to == last.to + width &&
                    width < 32) {
                    last.mask = width + 1 >= 32 ? 0xFFFFFFFFu : (1u << (width + 1)) - 1u;
                    return;
                }
            }
            m_valuePieces.push_back(piece);
        };
        walkValueCells(entry.element, take);
    }
    static const std::uint32_t kNoBits = 0;
    plan.source = &kNoBits;
    if (m_valuePieces.size() > start && m_valuePieces[start].to == 0) {
        plan.source = m_valuePieces[start].source;
        plan.mask = m_valuePieces[start].mask;
        plan.from = m_valuePieces[start].from;
        m_valuePieces.erase(m_valuePieces.begin() + static_cast<std::ptrdiff_t>(start));
    }
    plan.firstMore = static_cast<std::uint32_t>(start);
    plan.moreCount = static_cast<std::uint32_t>(m_valuePieces.size() - start);
    m_traceValues.push_back(plan);
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
        if (m_bClockReadGroup && m_pBoard && m_pClockElement->column >= 0 &&
            m_pClockElement->column < m_gridColumns)
            (void)m_pBoard->readColumn(m_pClockElement->column);
        clockedHalfCycles();
        break;
    case ClockMethod::RegOut: {
        if (!m_cyclePlanReady || m_clockAssign.element != m_pClockElement->parent)
            buildCyclePlan();
        advance(m_time, 5);
        assignPlanned(m_clockAssign, 1);
        m_pClockElement->value = 1;
        const bool recorded = recordTraces(false);
        advance(m_time, 5);
        assignPlanned(m_clockAssign, 0);
        m_pClockElement->value = 0;
        recordTraces(recorded && m_clockAssign.direct && !m_clockAssign.touchesReads);
        break;
    }
    case ClockMethod::External:
        break; // the external clock drives the design; time stands still
    }
}

void CWizDoc::clockedHalfCycles() {
    advance(m_time, 5);
    m_pClockElement->value = 1;
    const bool recorded = recordTraces(false);
    advance(m_time, 5);
    m_pClockElement->value = 0;
    recordTraces(recorded);
}

void CWizDoc::readGroups(bool skipClockColumn) {
    if (!m_pBoard)
        return;
    const int clockColumn = skipClockColumn ? m_pClockElement->column : -1;
    DesignElement* const* cells = m_readCells.data();
    std::uint32_t* words = m_readWords.data();
    for (const CellReadGroup& group : m_cellGroups) {
        std::uint32_t& groupWord = *words++;
        if (group.column == clockColumn)
            continue;
        DesignElement* const* cell = cells + group.first;
        assert(wordMatchesCells(groupWord, cell, group.rows));
        const std::uint32_t word = m_pBoard->readColumnRows(group.access);
        // The word held the cells' values until now: only the cells whose bit changed are written.
        std::uint32_t changed = (word ^ groupWord) & rowBits(group.rows);
        groupWord = word;
        while (changed != 0) {
            const int i = std::countr_zero(changed);
            cell[i]->value = (word >> i) & 1u;
            changed &= changed - 1;
        }
    }
}

void CWizDoc::ReadBoardCells() {
    readGroups(false);
}

void CWizDoc::ReadBoardCellsExceptClock() {
    readGroups(m_pClockElement != nullptr && isCbufMethod(m_clockMethod));
}

void CWizDoc::RecordTraces() {
    (void)recordTraces(false);
}

bool CWizDoc::recordTraces(bool readsUnchanged) {
    if (!m_bTracing || m_traceList.empty())
        return true;
    const bool noClock = m_pClockElement == nullptr;
    const bool clockTraced = m_pClockTrace != nullptr;
    const auto time = static_cast<std::uint32_t>(m_time);
    const bool wholeCycle = isWholeCycle(m_time);
    const bool everyEntry = noClock || m_time == 0 || (!clockTraced && wholeCycle);
    // Otherwise only changes are recorded, and only with the clock traced.
    if (!everyEntry && !clockTraced)
        return true;
    // Entries that only show what the reads brought cannot have changed since the last sampling
    // when no read or write came in between: all of them then equal their last value.
    const bool skipReadsOnly = readsUnchanged && !everyEntry;
    if (!m_cyclePlanReady)
        buildCyclePlan();
    const std::uint32_t hidden = m_bHideInversion ? 0xFFFFFFFFu : 0u;
    TraceStore& store = *m_pTraceStore;
    const ValuePiece* pieces = m_valuePieces.data();
    const TraceValuePlan* const plans = m_traceValues.data();
    // Without the reads' entries only the others are visited, in the same order.
    const std::uint32_t* const only = skipReadsOnly ? m_unreadValues.data() : nullptr;
    const std::size_t count = skipReadsOnly ? m_unreadValues.size() : m_traceValues.size();
    for (std::size_t n = 0; n < count; ++n) {
        const TraceValuePlan& plan = plans[only != nullptr ? only[n] : n];
        std::uint32_t bits = (*plan.source >> plan.from) & plan.mask;
        for (std::uint32_t k = 0; k < plan.moreCount; ++k) {
            const ValuePiece& piece = pieces[plan.firstMore + k];
            bits |= ((*piece.source >> piece.from) & piece.mask) << piece.to;
        }
        const auto value = static_cast<std::int32_t>(bits ^ (plan.inverted & hidden));
        TracedComponent& entry = *plan.entry;
        if (!everyEntry && value == entry.lastValue)
            continue;
        entry.previousValue = entry.lastValue;
        entry.lastValue = value;
        if (!store.appendSample(entry.handle, value, time)) [[unlikely]] {
            if (m_runState == RunState::Cycling)
                m_host.killRunTimer();
            m_runState = RunState::Paused;
            // A batch run cannot wait for room: the engine ends it (with its log) instead.
            if (m_runMode == RunMode::Batch)
                m_bOutOfStorage = true;
            m_host.messageOk("Out of disk space, halting simulation.");
            RefreshLogViews(true);
            m_host.updateAllViews();
            return false;
        }
    }
    return true;
}

std::uint32_t CWizDoc::ElementValue(const DesignElement* element) const {
    if (element == nullptr)
        return 0;
    switch (element->type) {
    case ElementType::Symbol:
    case ElementType::SoftwareClock: {
        std::uint32_t bit = element->value & 1u;
        if (element->inverted && m_bHideInversion)
            bit ^= 1u;
        return bit;
    }
    case ElementType::Group: {
        // The last member holds the lowest bits.
        std::uint32_t result = 0;
        std::uint32_t taken = 0;
        const std::uint32_t hidden = m_bHideInversion ? 1u : 0u;
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
