// The trace list's commands (tracing a name, removing entries) and groups (vectors) as the trace list
// and the hierarchy make and drop them, with the script's vector and trace sections kept in step.

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/section_rewriter.h"

#include <algorithm>

namespace cellwatch {

namespace {

VectorLineSpec vectorSpec(const DesignElement& group) {
    VectorLineSpec vectorLine;
    vectorLine.name = group.fullName;
    for (const DesignElement* member : group.children)
        vectorLine.members.push_back(member->fullName);
    return vectorLine;
}

bool hasMember(const DesignElement& group, const DesignElement* element) {
    return std::find(group.children.begin(), group.children.end(), element) != group.children.end();
}

} // namespace

void CWizDoc::addTraceLineOrLog(const TracedComponent& entry) {
    TextBuffer* buffer = scriptBuffer();
    if (buffer != nullptr && entry.element != nullptr && !AddTraceLine(*buffer, entry.element->fullName))
        LogError(kSectionNotFoundError);
}

bool CWizDoc::addTraceAndScriptLine(std::string_view name) {
    if (runState() != RunState::Idle) {
        m_host.messageOk("Cannot add trace while running a command script.");
        return false;
    }
    if (!AddTrace(name)) {
        m_host.messageOk("Cannot add symbol \"" + std::string(name) + "\"!");
        return false;
    }
    const TracedComponent& entry = m_traceList.back();
    if (m_pTraceView != nullptr)
        m_pTraceView->addItem(entry);
    addTraceLineOrLog(entry);
    m_host.updateAllViews();
    return true;
}

void CWizDoc::removeTracesAndScriptLines(const std::vector<TracedComponent*>& selected) {
    TextBuffer* buffer = scriptBuffer();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        TracedComponent* entry = *it;
        if (buffer != nullptr && entry->element != nullptr)
            RemoveTraceLine(*buffer, entry->element->fullName);
        if (m_pTraceView != nullptr)
            m_pTraceView->removeEntryItem(*entry);
        RemoveTrace(entry);
    }
}

bool CWizDoc::makeGroup(const std::vector<TracedComponent*>& selected) {
    if (selected.empty() || !m_pDesignTree) {
        m_host.messageOk("Not enough components selected to make group!");
        return false;
    }
    std::vector<DesignElement*> members;
    std::uint64_t size = 0;
    int depth = 0;
    for (const TracedComponent* entry : selected) {
        members.push_back(entry->element);
        size += entry->element != nullptr ? entry->element->size : 0;
        depth = std::max(depth, groupDepth(entry->element));
    }
    if (size > 32) {
        m_host.messageOk("Cannot make vector as it is too large (the maximum is 32 bits).");
        return false;
    }
    if (depth + 1 > kMaxGroupDepth) {
        m_host.messageOk("Cannot make vector as its groups would nest more than " +
                         std::to_string(kMaxGroupDepth) + " deep.");
        return false;
    }
    std::string name = "Default";
    for (;;) {
        std::optional<std::string> answer =
            m_host.askText("Enter name for new component", "Component name:", name);
        if (!answer)
            return false;
        name = *answer;
        if (name.empty())
            m_host.messageOk("You must enter a name for the new group!");
        else if (m_pDesignTree->find(name) != nullptr)
            m_host.messageOk("The group name must be unique!");
        else
            break;
    }

    TextBuffer* buffer = scriptBuffer();
    for (TracedComponent* entry : selected) {
        if (buffer != nullptr && entry->element != nullptr)
            RemoveTraceLine(*buffer, entry->element->fullName);
        if (m_pTraceView != nullptr)
            m_pTraceView->removeEntryItem(*entry);
        RemoveTrace(entry);
    }
    DesignElement* group = m_pDesignTree->addElement(name, ElementType::Group, std::move(members));
    if (group == nullptr)
        return false;
    TracedComponent& entry = traceAndShow(group);
    if (m_pSymbolView != nullptr)
        m_pSymbolView->addItem(*group);
    if (buffer != nullptr && !AddVectorLine(*buffer, vectorSpec(*group)))
        LogError(kSectionNotFoundError);
    addTraceLineOrLog(entry);
    return true;
}

bool CWizDoc::ungroup(const std::vector<TracedComponent*>& selected) {
    bool changed = false;
    TextBuffer* buffer = scriptBuffer();
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        TracedComponent* groupEntry = *it;
        DesignElement* group = groupEntry->element;
        if (group == nullptr || group->type != ElementType::Group) {
            m_host.messageOk("You can only ungroup groups!!! Duh!");
            return changed;
        }
        if (m_pTraceView != nullptr)
            m_pTraceView->removeEntryItem(*groupEntry);
        if (buffer != nullptr)
            RemoveTraceLine(*buffer, group->fullName);
        for (DesignElement* member : group->children) {
            if (FindTrace(member) != nullptr)
                continue;
            addTraceLineOrLog(traceAndShow(member));
        }
        RemoveTrace(groupEntry);
        changed = true;
    }
    return changed;
}

void CWizDoc::DeleteGroup(DesignElement* element) {
    if (element == nullptr || element->type != ElementType::Group || !m_pDesignTree)
        return;
    dropCyclePlan();
    // A group that has this one as a member cannot outlive it.
    std::vector<DesignElement*> dependants;
    for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next) {
        if (e != element && e->type == ElementType::Group && hasMember(*e, element))
            dependants.push_back(e);
    }
    for (DesignElement* dependant : dependants)
        DeleteGroup(dependant);

    TextBuffer* buffer = scriptBuffer();
    if (TracedComponent* entry = FindTrace(element)) {
        if (buffer != nullptr)
            RemoveTraceLine(*buffer, element->fullName);
        if (m_pTraceView != nullptr)
            m_pTraceView->removeEntryItem(*entry);
        // The entry goes too: it would otherwise name a freed element.
        RemoveTrace(entry);
    }
    if (m_pSymbolView != nullptr)
        m_pSymbolView->removeItem(*element);
    if (buffer != nullptr)
        RemoveVectorLine(*buffer, element->fullName);
    std::erase_if(m_sequenceList, [element](const auto& s) { return s->element == element; });
    std::erase_if(m_breakList, [element](const BreakCondition& b) { return b.element == element; });
    // Compiled steps that drive the group go as well; a paused run cannot resume past them.
    if (std::erase_if(m_commandList, [element](const auto& c) { return c->element == element; }) != 0)
        m_pNextCommand = m_commandList.end();
    m_pDesignTree->remove(element);
}

void CWizDoc::removeAllGroups() {
    if (!m_pDesignTree)
        return;
    dropCyclePlan();
    std::vector<DesignElement*> groups;
    for (DesignElement* e = m_pDesignTree->first(); e != nullptr; e = e->next) {
        if (e->type == ElementType::Group)
            groups.push_back(e);
    }
    for (DesignElement* group : groups) {
        if (m_pSymbolView != nullptr)
            m_pSymbolView->removeItem(*group);
        m_pDesignTree->remove(group);
    }
}

} // namespace cellwatch
