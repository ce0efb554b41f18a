#pragma once
// Lets an unattended run report what happened beyond the result log: each executed check (for test
// reports) and the progress of long cycle commands. The GUI needs none of it.

#include <cstdint>
#include <string_view>

namespace cellwatch {

struct ScriptCommand;

// What one executed `check` compared.
struct CheckResult {
    bool passed = true;
    std::uint32_t read = 0;   // the element's value as the check read it
    int radix = 2;            // the radix the element is shown in (its own, else the session's)
    std::string_view message; // the logged assertion text when it failed
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A `check` command was executed; the command holds the element, the expected value and its line.
    virtual void checkExecuted(const ScriptCommand& command, const CheckResult& result) = 0;
    // Called every few thousand cycles inside a cycle command, and when it completes.
    virtual void cycleProgress(std::int64_t done, std::int64_t target) = 0;
};

} // namespace cellwatch
