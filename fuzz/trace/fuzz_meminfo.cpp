// Arbitrary bytes as the kernel's memory report: the parser must never crash or overrun.
#include "trace/memory_probe.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t bytes = 0;
    cellwatch::parseMemAvailable(std::string_view(reinterpret_cast<const char*>(data), size), bytes);
    return 0;
}
