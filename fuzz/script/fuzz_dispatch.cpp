// Arbitrary lines through the command dispatcher on the counter8 example design: every handler,
// its declarations on the session and its messages, without a crash or a sanitizer report.

#include "fake_script_session.h"
#include "script/command_table.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace cellwatch;

namespace {

const std::string& DesignText() {
    static const std::string text = ReadWholeTestFile(CELLWATCH_FUZZ_DESIGN);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (DesignText().empty())
        std::abort(); // the embedded design path is wrong: fuzzing would test nothing
    FakeScriptSession session(DesignText());
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte picks the run mode, so that setclockreg's command-bar branch is reached too.
    if (!input.empty()) {
        session.mode = static_cast<RunMode>(static_cast<unsigned char>(input.front()) % 3);
        input.remove_prefix(1);
    }
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string line(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);

        const int errorsBefore = session.errors;
        auto command = dispatchCommand(session, line);
        if (command != nullptr && session.errors != errorsBefore)
            std::abort(); // a line that made a step must not also have been refused
        if (command != nullptr &&
            (command->kind == CommandKind::Assign || command->kind == CommandKind::Check) &&
            command->element == nullptr)
            std::abort();
    }
    for (const DesignElement* group : session.groups)
        if (group->size > 32 || group->children.empty())
            std::abort();
    return 0;
}
