#pragma once
// Views that record what the session tells them, as one line of text per call.

#include "app/traced_component.h"
#include "app/views.h"
#include "design/design_element.h"
#include "script/line_buffer.h"

#include <string>
#include <vector>

namespace cellwatch {

struct ViewLog {
    std::vector<std::string> calls;
};

class FakeLogView final : public LogView {
public:
    explicit FakeLogView(ViewLog& log) : m_log(log) {}
    void refresh(bool follow) override { m_log.calls.push_back(follow ? "log:follow" : "log:refresh"); }
    void scrollToStart() override { m_log.calls.push_back("log:start"); }

private:
    ViewLog& m_log;
};

class FakeTraceView final : public TraceListView {
public:
    explicit FakeTraceView(ViewLog& log) : m_log(log) {}
    void addItem(const TracedComponent& e) override { m_log.calls.push_back("trace:add " + e.name); }
    void refreshValues() override { m_log.calls.push_back("trace:values"); }
    void refreshClockMarks() override { m_log.calls.push_back("trace:clockmarks"); }
    void removeEntryItem(const TracedComponent& e) override {
        m_log.calls.push_back("trace:remove " + e.name);
    }
    void removeAllItems() override { m_log.calls.push_back("trace:clear"); }

private:
    ViewLog& m_log;
};

class FakeHierarchyView final : public HierarchyView {
public:
    explicit FakeHierarchyView(ViewLog& log) : m_log(log) {}
    void addItem(DesignElement& e) override { m_log.calls.push_back("tree:add " + e.fullName); }
    void markClock(DesignElement& e) override { m_log.calls.push_back("tree:mark " + e.fullName); }
    void unmarkClock(DesignElement& e) override { m_log.calls.push_back("tree:unmark " + e.fullName); }
    void removeItem(DesignElement& e) override { m_log.calls.push_back("tree:remove " + e.fullName); }

private:
    ViewLog& m_log;
};

class FakeScriptView final : public ScriptView {
public:
    explicit FakeScriptView(ViewLog& log) : m_log(log) {}
    TextBuffer& buffer() override { return text; }
    void refreshTitle() override { m_log.calls.push_back("script:title"); }
    void recolour() override { m_log.calls.push_back("script:recolour"); }

    LineBuffer text;

private:
    ViewLog& m_log;
};

} // namespace cellwatch
