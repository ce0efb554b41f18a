// libFuzzer target for the command-line rules: the input is split at NUL bytes into arguments, as
// argv would hold them. Built by the fuzz preset; standard library only, like the parser.
#include "platform/command_line.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\0', start);
        if (end == std::string_view::npos)
            end = input.size();
        arguments.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    const cellwatch::CommandLine line = cellwatch::parseCommandLine(arguments);
    // Whatever was read must come from the input.
    if (!line.commandFile.empty() && input.find(line.commandFile) == std::string_view::npos)
        __builtin_trap();
    return 0;
}
