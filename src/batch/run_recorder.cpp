// Recording checks and forwarding progress for the batch run.

#include "batch/run_recorder.h"

#include "design/design_element.h"
#include "script/script_command.h"

namespace cellwatch {

void RunRecorder::checkExecuted(const ScriptCommand& command, const CheckResult& result) {
    CheckOutcome outcome;
    outcome.line = command.line;
    if (command.element != nullptr) {
        outcome.element = command.element->fullName;
        outcome.width = command.element->size;
    }
    outcome.passed = result.passed;
    outcome.message = result.message;
    outcome.expected = static_cast<std::uint32_t>(command.value);
    outcome.read = result.read;
    outcome.radix = result.radix;
    m_checks.push_back(std::move(outcome));
}

void RunRecorder::cycleProgress(std::int64_t done, std::int64_t target) {
    if (m_progress != nullptr)
        m_progress->update(done, target);
}

} // namespace cellwatch
