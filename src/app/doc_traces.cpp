// The trace list, data sequences and break conditions of the session.

#include "app/cwiz_doc.h"
#include "design/design_element.h"

#include <cassert>

namespace cellwatch {

namespace {

TracedComponent newTrace(DesignElement* element) {
    TracedComponent node;
    node.name = element->shortName;
    node.element = element;
    return node;
}

} // namespace

bool CWizDoc::AddTrace(std::string_view name) {
    DesignElement* element = findElement(name);
    if (element == nullptr || FindTrace(element) != nullptr)
        return false;
    AppendTrace(newTrace(element));
    return true;
}

TracedComponent& CWizDoc::traceAndShow(DesignElement* element) {
    assert(element != nullptr);
    TracedComponent& entry = AppendTrace(newTrace(element));
    if (m_pTraceView != nullptr)
        m_pTraceView->addItem(entry);
    return entry;
}

TracedComponent& CWizDoc::AppendTrace(TracedComponent node) {
    dropCyclePlan();
    TracedComponent& entry = m_traceList.emplace_back(std::move(node));
    m_componentTable.push_back(&entry);
    entry.handle = static_cast<TraceHandle>(m_componentTable.size());
    if (entry.element != nullptr && entry.element == m_pClockElement)
        m_pClockTrace = &entry;
    return entry;
}

TracedComponent* CWizDoc::FindTrace(const DesignElement* element) {
    for (TracedComponent& entry : m_traceList) {
        if (entry.element == element)
            return &entry;
    }
    return nullptr;
}

void CWizDoc::unlinkTrace(TracedComponent* node) {
    assert(node != nullptr);
    dropCyclePlan();
    if (node == m_pClockTrace)
        m_pClockTrace = nullptr;
    if (node->handle != kNoTraceHandle && node->handle <= m_componentTable.size())
        m_componentTable[node->handle - 1] = nullptr;
    m_traceList.remove_if([node](const TracedComponent& entry) { return &entry == node; });
}

void CWizDoc::RemoveTrace(TracedComponent* node) {
    if (node != nullptr)
        unlinkTrace(node);
    EmptyLog();
    RefreshLogViews(false);
}

void CWizDoc::emptyTraceList() {
    if (m_pTraceView != nullptr)
        m_pTraceView->removeAllItems();
    dropCyclePlan();
    m_pClockTrace = nullptr;
    m_traceList.clear();
    m_componentTable.clear();
}

bool CWizDoc::isTraced(const DesignElement* element) {
    return FindTrace(element) != nullptr;
}

void CWizDoc::traceElement(DesignElement* element) {
    if (element != nullptr)
        traceAndShow(element);
}

DataSequence* CWizDoc::findSequence(const DesignElement* element) {
    for (auto& sequence : m_sequenceList) {
        if (sequence->element == element)
            return sequence.get();
    }
    return nullptr;
}

void CWizDoc::addSequence(std::unique_ptr<DataSequence> sequence) {
    if (!sequence)
        return;
    dropCyclePlan();
    // Sequences in the clock's column are applied last, after the other columns have been written.
    if (sharesClockColumn(sequence->element))
        m_sequenceList.push_back(std::move(sequence));
    else
        m_sequenceList.push_front(std::move(sequence));
}

void CWizDoc::addBreakCondition(DesignElement* element, std::uint32_t value) {
    m_breakList.push_back(BreakCondition{element, value});
    dropCyclePlan(); // its cells join the reads before each cycle's clock step
}

DesignElement* CWizDoc::makeGroupElement(std::string_view name, std::vector<DesignElement*> members) {
    if (!m_pDesignTree || m_pDesignTree->find(name) != nullptr)
        return nullptr;
    DesignElement* group = m_pDesignTree->addElement(name, ElementType::Group, std::move(members));
    if (group != nullptr && m_pSymbolView != nullptr)
        m_pSymbolView->addItem(*group);
    return group;
}

} // namespace cellwatch
