#pragma once
// Lets an unattended run report what happened beyond the result log: each executed check (for test
// reports) and the progress of long cycle commands. The GUI needs none of it.

#include <cstdint>
#include <string_view>

namespace cellwatch {

struct ScriptCommand;

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A `check` command was executed; message is the logged assertion text when it failed.
    virtual void checkExecuted(const ScriptCommand& command, bool passed, std::string_view message) = 0;
    // Called every few thousand cycles inside a cycle command, and when it completes.
    virtual void cycleProgress(std::int64_t done, std::int64_t target) = 0;
};

} // namespace cellwatch
