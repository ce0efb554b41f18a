#pragma once
// Joining pieces of text into one: the messages of the script module and the run summaries of the
// batch runner are made this way.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// The pieces of a message joined into one text.
inline std::string joinText(std::initializer_list<std::string_view> pieces) {
    std::size_t length = 0;
    for (std::string_view p : pieces)
        length += p.size();
    std::string text;
    text.reserve(length);
    for (std::string_view p : pieces)
        text += p;
    return text;
}

// The parts with separator between each two.
inline std::string joinText(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty())
            text += separator;
        text += part;
    }
    return text;
}

} // namespace cellwatch
