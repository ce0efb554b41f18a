#include "script/view_sim_export.h"

#include "script/scanning.h"

#include <array>
#include <string_view>

namespace cellwatch {

namespace {

constexpr std::array<std::string_view, 10> kBoardOnlyWords = {
    "traceon",      "traceoff", "setclockreg", "clear", "reset",
    "setclockmode", "loadcal",  "comment",     "fm",    "bctl"};

bool isBoardOnly(std::string_view line) {
    std::string token;
    if (!NextToken(line, token) || token[0] == '|')
        return false;
    const std::string word = toLowerAscii(token);
    for (std::string_view w : kBoardOnlyWords)
        if (word == w)
            return true;
    return false;
}

} // namespace

std::string viewSimText(const TextBuffer& buffer) {
    std::string out;
    const int count = buffer.lineCount();
    for (int n = 0; n < count; ++n) {
        const std::string line = buffer.line(n);
        if (isBoardOnly(line))
            out += "| ";
        out += line;
        out += "\r\n";
    }
    return out;
}

SaveResult exportViewSim(const TextBuffer& buffer, const std::string& path) {
    return saveFileAtomically(path, viewSimText(buffer));
}

} // namespace cellwatch
