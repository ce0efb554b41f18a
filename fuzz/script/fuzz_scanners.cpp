// Arbitrary bytes through every scanner a script line meets: tokens, quoted strings, values, bus
// ranges, number formatting and the count and frequency readers.

#include "script/scanning.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace cellwatch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // Walk the line the way the command handlers do.
    std::string text = input;
    std::string token;
    std::size_t steps = 0;
    for (SkipBlanks(text); !text.empty(); SkipBlanks(text)) {
        if (!NextToken(text, token))
            std::abort();
        const std::size_t before = text.size();
        std::uint32_t value = 0;
        ParseValue(token, value);
        (void)readPlainDecimal(token);
        (void)readDecimalFloat(token);
        (void)IsDecimalNumber(token);
        std::string bus = token;
        if (ExpandBus(bus) && bus.find('[') == std::string::npos && token.find('[') != std::string::npos &&
            bus.empty())
            std::abort(); // a successful expansion of a range yields at least one name
        std::string formatted;
        FormatNumber(value, formatted, static_cast<int>(token.size() % 40), 2 << (token.size() % 4), '0');
        char buf[16];
        if (FormatNumber(value, buf, sizeof buf, 40, 2, '0') >= sizeof buf)
            std::abort();
        DropToken(text);
        if (text.size() >= before) // every step must consume something
            std::abort();
        ++steps;
    }

    std::string quoted = input;
    std::string result;
    if (TakeQuoted(quoted, result) && result.size() + 2 > quoted.size())
        std::abort();

    std::size_t cursor = 0;
    std::string line;
    while (ReadTextLine(input, cursor, line, 256))
        if (line.size() > 255 || cursor > input.size())
            std::abort();
    (void)steps;
    return 0;
}
