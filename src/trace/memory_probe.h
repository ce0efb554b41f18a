#pragma once
// Where the trace store learns how much physical memory is still available, so that it can spill
// blocks early when the machine runs short. Tests put a fake in its place to simulate low memory.

#include <cstdint>
#include <memory>
#include <string_view>

namespace cellwatch {

class MemoryProbe {
public:
    virtual ~MemoryProbe() = default;
    // The available physical memory in bytes; false when the figure cannot be had (the store then
    // relies on its block cap alone).
    virtual bool availableBytes(std::uint64_t& bytes) = 0;
};

// Reads MemAvailable from /proc/meminfo. The figure is kept for 10 ms between reads: the store asks
// once per 5000 records, and reading the kernel's table each time would cost more than the records.
std::unique_ptr<MemoryProbe> makeSystemMemoryProbe();

// Finds the "MemAvailable:" line in the text of /proc/meminfo and converts it to bytes (the kernel
// writes kB). False when the line is missing or malformed. Accepts any bytes.
bool parseMemAvailable(std::string_view text, std::uint64_t& bytes);

} // namespace cellwatch
