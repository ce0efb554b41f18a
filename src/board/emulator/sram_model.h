#pragma once
// The board's SRAM as the memory window sees it: byte-addressed, little-endian 32-bit accesses that
// may be unaligned, repeating every size bytes below the device's part of the window.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace cellwatch {

class SramModel {
public:
    static constexpr std::uint32_t kFullBytes = 0x200000; // 2 MiB, 0x80000 words
    static constexpr std::uint32_t kSmallBytes = 0x20000; // the small fit

    explicit SramModel(std::uint32_t bytes);

    std::uint32_t sizeBytes() const { return m_size; }
    std::uint32_t load(std::uint32_t byteOffset) const;
    void store(std::uint32_t byteOffset, std::uint32_t value);
    void loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words) const;
    void storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words);

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    // Zeroed by the system as the pages are first touched: most runs never reach most of it.
    std::unique_ptr<std::uint8_t, Free> m_bytes;
    std::uint32_t m_size;
    std::uint32_t m_mask; // sizes are powers of two
};

} // namespace cellwatch
