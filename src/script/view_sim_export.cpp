#include "script/view_sim_export.h"

#include "script/scanning.h"

#include <array>
#include <string_view>

namespace cellwatch {

namespace {

constexpr std::array<std::string_view, 10> kBoardOnlyWords = {
    "traceon",      "traceoff", "setclockreg", "clear", "reset",
    "setclockmode", "loadcal",  "comment",     "fm",    "bctl"};

bool IsBoardOnly(std::string_view line) {
    std::string token;
    if (!NextToken(line, token) || token[0] == '|')
        return false;
    const std::string word = ToLowerAscii(token);
    for (std::string_view w : kBoardOnlyWords)
        if (word == w)
            return true;
    return false;
}

} // namespace

std::string ViewSimText(const TextBuffer& buffer) {
    std::string out;
    const int count = buffer.lineCount();
    for (int n = 0; n < count; ++n) {
        const std::string line = buffer.line(n);
        if (IsBoardOnly(line))
            out += "| ";
        out += line;
        out += "\r\n";
    }
    return out;
}

SaveResult ExportViewSim(const TextBuffer& buffer, const std::string& path) {
    return SaveFileAtomically(path, ViewSimText(buffer));
}

} // namespace cellwatch
