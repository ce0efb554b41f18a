#include "recording_channel.h"

#include <cstddef>

namespace cellwatch::test {

std::vector<std::vector<int>> decodeSerialFields(const std::vector<int>& bits) {
    static const int kSeparator[6] = {0, 1, 1, 1, 1, 0};
    std::vector<std::vector<int>> fields(1);
    int history = 0;
    std::size_t i = 0;
    while (i < bits.size()) {
        bool separator = i + 6 <= bits.size();
        for (std::size_t k = 0; separator && k < 6; ++k)
            separator = bits[i + k] == kSeparator[k];
        if (separator) {
            fields.emplace_back();
            history = 3;
            i += 6;
            continue;
        }
        const int b = bits[i++];
        fields.back().push_back(b);
        history = history >> 1 | (b ? 4 : 0);
        if (history == 7) {
            if (i >= bits.size() || bits[i] != 0)
                return {}; // a run of ones that was not broken: not a valid stream
            ++i;
            history = 3;
        }
    }
    if (fields.back().empty())
        fields.pop_back();
    return fields;
}

} // namespace cellwatch::test
