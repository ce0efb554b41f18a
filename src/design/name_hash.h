#pragma once
// The case-folding name hash and the prime table sizes shared by the symbol table and the design tree.
// Both tables must hash and grow identically: their iteration order is visible to the user.

#include <array>
#include <cstdint>
#include <string_view>

namespace cellwatch {

// Sizes a table grows through: the largest prime below 2^(k/2) for k = 12..48.
inline constexpr std::array<std::uint32_t, 37> kTableSizes{
    61,      89,      127,     181,     251,     359,      509,     719,    1021,    1447,
    2039,    2887,    4093,    5791,    8191,    11579,    16381,   23167,  32749,   46337,
    65521,   92681,   131071,  185363,  262139,  370723,   524287,  741431, 1048573, 1482907,
    2097143, 2965819, 4194301, 5931641, 8388593, 11863279, 16777213};

// The first table size greater than n, or 0 when n is already at or past the largest.
constexpr std::uint32_t nextTableSize(std::uint32_t n) noexcept {
    for (std::uint32_t size : kTableSizes)
        if (size > n)
            return size;
    return 0;
}

// ASCII-only folding, so that the hash never depends on the process locale.
constexpr unsigned char foldCase(unsigned char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

constexpr std::uint32_t nameHash(std::string_view name) noexcept {
    std::uint32_t h = 0;
    for (char ch : name) {
        h = (h << 4) + foldCase(static_cast<unsigned char>(ch));
        const std::uint32_t g = h & 0xF0000000u;
        h = h ^ (g >> 24) ^ g;
    }
    return h;
}

// Names are the same name when they differ only in letter case.
constexpr bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(static_cast<unsigned char>(a[i])) != foldCase(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace cellwatch
