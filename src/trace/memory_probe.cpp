#include "trace/memory_probe.h"

#include <chrono>
#include <cstdio>
#include <limits>

namespace cellwatch {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

class SystemMemoryProbe final : public MemoryProbe {
public:
    bool availableBytes(std::uint64_t& bytes) override {
        const auto now = std::chrono::steady_clock::now();
        if (!m_valid || now - m_readAt >= std::chrono::milliseconds(10)) {
            m_valid = readMeminfo(m_bytes);
            m_readAt = now;
        }
        bytes = m_bytes;
        return m_valid;
    }

private:
    static bool readMeminfo(std::uint64_t& bytes) {
        std::FILE* f = std::fopen("/proc/meminfo", "r");
        if (!f)
            return false;
        char buf[8192];
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        std::fclose(f);
        return parseMemAvailable(std::string_view(buf, n), bytes);
    }

    bool m_valid = false;
    std::uint64_t m_bytes = 0;
    std::chrono::steady_clock::time_point m_readAt{};
};

} // namespace

std::unique_ptr<MemoryProbe> makeSystemMemoryProbe() {
    return std::make_unique<SystemMemoryProbe>();
}

bool parseMemAvailable(std::string_view text, std::uint64_t& bytes) {
    constexpr std::string_view key = "MemAvailable:";
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.substr(0, key.size()) != key)
            continue;

        std::size_t i = key.size();
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size() || line[i] < '0' || line[i] > '9')
            return false;
        std::uint64_t value = 0;
        constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
        for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
            const unsigned digit = static_cast<unsigned>(line[i] - '0');
            if (value > (kMax - digit) / 10)
                return false;
            value = value * 10 + digit;
        }
        while (i < line.size() && isBlank(line[i]))
            ++i;
        std::string_view unit = line.substr(i);
        if (!unit.empty() && unit.back() == '\r')
            unit.remove_suffix(1);
        if (unit == "kB") {
            if (value > kMax / 1024)
                return false;
            value *= 1024;
        } else if (!unit.empty()) {
            return false;
        }
        bytes = value;
        return true;
    }
    return false;
}

} // namespace cellwatch
