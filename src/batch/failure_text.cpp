// Wording of failed checks and script problems for standard error and the JUnit report.

#include "batch/failure_text.h"

#include "app/log_format.h"
#include "script/scanning.h"

namespace cellwatch {

std::string scriptValueText(std::uint32_t value, std::uint32_t widthBits, int radix) {
    const int digits = digitCount(widthBits, radix);
    std::string text;
    const char* suffix = "\\b";
    switch (radix) {
    case 8:
        suffix = "\\o";
        break;
    case 10: {
        // Unsigned, unlike the log's decimal columns: the text must read back as the same value.
        const std::string number = std::to_string(value);
        if (static_cast<int>(number.size()) < digits)
            text.assign(static_cast<std::size_t>(digits) - number.size(), '0');
        text += number;
        return text + "\\d";
    }
    case 16:
        suffix = "\\h";
        break;
    default:
        radix = 2;
        break;
    }
    FormatNumber(value, text, digits, radix, '0');
    return text + suffix;
}

std::string scriptPlace(std::string_view file, int line) {
    std::string place(file);
    if (line >= 0)
        place += ":" + std::to_string(line + 1);
    return place + ": ";
}

std::string checkFailureText(std::string_view file, const CheckOutcome& check) {
    std::string text = scriptPlace(file, check.line);
    text += check.message.empty() ? "Assertion failed on " + check.element : check.message;
    text += ": expected " + scriptValueText(check.expected, check.width, check.radix);
    text += ", read " + scriptValueText(check.read, check.width, check.radix);
    return text;
}

std::string scriptProblemText(std::string_view file, int line, std::string_view logLine) {
    std::string text = scriptPlace(file, line);
    text += logLine;
    // The commonest first mistake: a decimal number where a binary one is read ("assign din 2").
    if (logLine.find("parse value") != std::string_view::npos ||
        logLine.find(" value \"") != std::string_view::npos)
        text += " (a value is binary unless it ends in \\d, \\h or \\o: 2 is 10 or 2\\d)";
    return text;
}

} // namespace cellwatch
