#include "platform/ini_text.h"

namespace cellwatch {

bool readsAsIniText(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        return false;
    bool continued = false;
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0; // a byte order mark

    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const bool wasContinued = continued;
        continued = !line.empty() && line.back() == '\\';
        if (wasContinued)
            continue;
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        const char lead = line[first];
        if (lead == ';' || lead == '#')
            continue;
        if (lead == '[') {
            if (line.find(']', first) == std::string_view::npos)
                return false;
            continue;
        }
        if (line.find('=') == std::string_view::npos)
            return false;
    }
    return true;
}

} // namespace cellwatch
