#pragma once
// A ScriptSession for tests and fuzzing: a real design tree from a .sym text, with every log line,
// sequence, break condition, trace, group and clock change recorded where a test can look at it.

#include "design/design_element.h"
#include "design/design_tree.h"
#include "design/symbol_table.h"
#include "script/script_session.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadWholeTestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class FakeScriptSession : public ScriptSession {
public:
    explicit FakeScriptSession(std::string_view symText) : m_tree(&m_symbols) {
        m_loaded = m_symbols.loadFromBuffer(symText, "design.sym");
        m_tree.buildFromSymbols();
    }

    // What the session stores: "ERROR: "/"WARNING: " prefixes, info lines behind "|".
    std::vector<std::string> log;
    int errors = 0;
    int warnings = 0;
    bool comments = true;
    RunMode mode = RunMode::Script;
    ClockMethod clockMethod = ClockMethod::None;
    // List order, front first.
    std::vector<std::unique_ptr<DataSequence>> sequences;
    std::vector<BreakCondition> breaks;
    std::vector<DesignElement*> traces;
    DesignElement* clockTrace = nullptr;
    std::vector<DesignElement*> groups;
    int viewRefreshes = 0;
    // Where relative paths that do not exist from the working directory are looked for.
    std::string scriptFolder;

    bool loaded() const { return m_loaded; }
    DesignTree& tree() { return m_tree; }
    DesignElement* element(std::string_view name) { return m_tree.find(name); }
    void clearLog() {
        log.clear();
        errors = warnings = 0;
    }
    std::string lastLine() const { return log.empty() ? std::string() : log.back(); }

    void LogLine(std::string_view text) override { log.emplace_back(text); }
    void LogInfo(std::string_view text) override {
        if (comments)
            log.push_back("|" + std::string(text));
    }
    void LogWarning(std::string_view text) override {
        ++warnings;
        log.push_back("WARNING: " + std::string(text));
    }
    void LogError(std::string_view text) override {
        ++errors;
        log.push_back("ERROR: " + std::string(text));
    }

    DesignElement* findElement(std::string_view name) override { return m_tree.find(name); }
    DesignElement* clockElement() override { return m_clock; }
    RunMode runMode() const override { return mode; }

    DataSequence* findSequence(const DesignElement* e) override {
        for (auto& s : sequences)
            if (s->element == e)
                return s.get();
        return nullptr;
    }
    void addSequence(std::unique_ptr<DataSequence> sequence) override {
        if (sharesClockColumn(sequence->element))
            sequences.push_back(std::move(sequence));
        else
            sequences.insert(sequences.begin(), std::move(sequence));
    }
    void addBreakCondition(DesignElement* e, std::uint32_t value) override { breaks.push_back({e, value}); }

    bool isTraced(const DesignElement* e) override {
        return std::find(traces.begin(), traces.end(), e) != traces.end();
    }
    void traceElement(DesignElement* e) override {
        traces.push_back(e);
        if (e == m_clock)
            clockTrace = e;
    }

    DesignElement* makeGroupElement(std::string_view name, std::vector<DesignElement*> members) override {
        DesignElement* g = m_tree.addElement(name, ElementType::Group, std::move(members));
        if (g != nullptr)
            groups.push_back(g);
        return g;
    }

    void selectClockRegister(DesignElement* reg) override {
        removeClock();
        m_clock = m_tree.insert(makeSoftwareClock(*reg));
        ++viewRefreshes;
    }
    void storeClockMethod(ClockMethod method) override { clockMethod = method; }

    std::string resolveScriptPath(std::string_view path) override {
        const std::filesystem::path p{std::string(path)};
        std::error_code ec;
        if (p.is_absolute() || scriptFolder.empty() || std::filesystem::exists(p, ec))
            return std::string(path);
        return (std::filesystem::path(scriptFolder) / p).string();
    }

private:
    void removeClock() {
        if (m_clock == nullptr)
            return;
        traces.erase(std::remove(traces.begin(), traces.end(), m_clock), traces.end());
        clockTrace = nullptr;
        m_tree.remove(m_clock);
        m_clock = nullptr;
        clockMethod = ClockMethod::None;
    }
    bool sharesClockColumn(const DesignElement* e) const {
        if (m_clock == nullptr || e == nullptr)
            return false;
        if (e->type == ElementType::Symbol)
            return e->column == m_clock->column;
        if (e->type == ElementType::Group)
            for (const DesignElement* m : e->children)
                if (sharesClockColumn(m))
                    return true;
        return false;
    }

    SymbolTable m_symbols;
    DesignTree m_tree;
    bool m_loaded = false;
    DesignElement* m_clock = nullptr;
};

} // namespace cellwatch
