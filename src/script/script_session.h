#pragma once
// What the command handlers may do to the session while a line is compiled. The session (CWizDoc)
// implements it; tests use a recording fake. Every call acts at once and reports through the log.

#include "script/script_command.h"
#include "script/session_modes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

class DesignElement;

class ScriptSession {
public:
    virtual ~ScriptSession() = default;

    // The session's four log operations: "ERROR: "/"WARNING: " lines are counted; info lines get
    // a leading "|" and are dropped while comments are off.
    virtual void LogLine(std::string_view text) = 0;
    virtual void LogInfo(std::string_view text) = 0;
    virtual void LogWarning(std::string_view text) = 0;
    virtual void LogError(std::string_view text) = 0;

    // The design element of that full name, ignoring case, or null.
    virtual DesignElement* findElement(std::string_view name) = 0;
    // The software clock element, or null.
    virtual DesignElement* clockElement() = 0;
    virtual RunMode runMode() const = 0;

    // The data sequence already declared for the element, or null.
    virtual DataSequence* findSequence(const DesignElement* element) = 0;
    // Takes the sequence over; one in the software clock's column goes to the end of the list,
    // any other to the front.
    virtual void addSequence(std::unique_ptr<DataSequence> sequence) = 0;
    // Appends a break condition.
    virtual void addBreakCondition(DesignElement* element, std::uint32_t value) = 0;

    // Whether the element is in the trace list already.
    virtual bool isTraced(const DesignElement* element) = 0;
    // Traces the element: a new traced component at the tail of the trace list (the clock trace when
    // it is the software clock), shown in the trace list view.
    virtual void traceElement(DesignElement* element) = 0;

    // Makes and registers a group element with the members in order, and shows it under the
    // hierarchy view's groups item; null when the name is taken.
    virtual DesignElement* makeGroupElement(std::string_view name, std::vector<DesignElement*> members) = 0;

    // Makes the register the software clock (replacing any, which resets the clocking method to 0)
    // and refreshes all views.
    virtual void selectClockRegister(DesignElement* reg) = 0;
    // Stores the clocking method; unlike the menu's setClockingMethod, the script is not rewritten.
    virtual void storeClockMethod(ClockMethod method) = 0;

    // A file path as written in the script, made usable: a relative path that does not exist from
    // the working directory is taken relative to the script's folder.
    virtual std::string resolveScriptPath(std::string_view path) = 0;
};

} // namespace cellwatch
