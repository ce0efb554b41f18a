// Recording checks and forwarding progress for the batch run.

#include "batch/run_recorder.h"

#include "design/design_element.h"
#include "script/script_command.h"

namespace cellwatch {

void RunRecorder::checkExecuted(const ScriptCommand& command, bool passed, std::string_view message) {
    CheckOutcome outcome;
    outcome.line = command.line;
    if (command.element != nullptr)
        outcome.element = command.element->fullName;
    outcome.passed = passed;
    outcome.message = message;
    m_checks.push_back(std::move(outcome));
}

void RunRecorder::cycleProgress(std::int64_t done, std::int64_t target) {
    if (m_progress != nullptr)
        m_progress->update(done, target);
}

} // namespace cellwatch
