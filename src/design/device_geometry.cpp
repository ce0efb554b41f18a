#include "design/device_geometry.h"

namespace cellwatch {

namespace {

constexpr std::array<DeviceGeometry, 4> kMembers{{
    {0, 48, 16, 6, 6, 8, 14, 0xC000, 0xC010, 6, 0xC030, 16},
    {1, 64, 16, 6, 6, 8, 14, 0xC000, 0xC010, 8, 0xC030, 16},
    {2, 96, 18, 7, 7, 9, 16, 0x30000, 0x30010, 12, 0x30030, 16},
    {3, 128, 18, 7, 7, 9, 16, 0x30000, 0x30010, 16, 0x30030, 16},
}};

void setField(AddressWord& word, int shift, int bits, std::uint32_t value) {
    const std::uint32_t mask = ((1u << bits) - 1u) << shift;
    word = (word & ~mask) | ((value << shift) & mask);
}

} // namespace

const DeviceGeometry& geometryOfMode(int mode) {
    return (mode >= 0 && mode <= 3) ? kMembers[static_cast<std::size_t>(mode)] : kMembers[1];
}

namespace detail {
int g_deviceMode = 1;
} // namespace detail

const DeviceGeometry& currentDevice() {
    return kMembers[static_cast<std::size_t>(detail::g_deviceMode)];
}

void selectDevice(int mode) {
    if (mode >= 0 && mode <= 3)
        detail::g_deviceMode = mode;
}

void setRowField(AddressWord& word, std::uint32_t value) {
    const DeviceGeometry& g = currentDevice();
    setField(word, 0, g.rowBits, value);
}

void setOffsetField(AddressWord& word, std::uint32_t value) {
    setField(word, currentDevice().offsetShift, 2, value);
}

void setColumnField(AddressWord& word, std::uint32_t value) {
    const DeviceGeometry& g = currentDevice();
    setField(word, g.columnShift, g.rowBits, value);
}

void setModeField(AddressWord& word, std::uint32_t value) {
    setField(word, currentDevice().modeShift, 2, value);
}

std::uint32_t rowField(AddressWord word) {
    return word & ((1u << currentDevice().rowBits) - 1u);
}

std::uint32_t controlRegister() {
    return currentDevice().controlRegister;
}
std::uint32_t mapRegister() {
    return currentDevice().mapRegister;
}
int rowMaskBytes() {
    return currentDevice().rowMaskBytes;
}
std::uint32_t idArea() {
    return currentDevice().idArea;
}
int idLength() {
    return currentDevice().idLength;
}

AddressWord cellStateAddress(int row, int column) {
    // The fields of a zero word, set in one go: every column access of a run computes this.
    const DeviceGeometry& g = currentDevice();
    const std::uint32_t field = (1u << g.rowBits) - 1u;
    return ((static_cast<std::uint32_t>(column) & field) << g.columnShift) | (3u << g.offsetShift) |
           (static_cast<std::uint32_t>(row) & field);
}

int RowMask::wordCount() {
    return rowMaskBytes() / 4;
}

bool RowMask::getWord(int i, std::uint32_t& value) const {
    if (i < 0 || i >= wordCount())
        return false;
    const auto* b = &m_bytes[static_cast<std::size_t>(4 * i)];
    value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
}

bool RowMask::setWord(int i, std::uint32_t value) {
    if (i < 0 || i >= wordCount())
        return false;
    auto* b = &m_bytes[static_cast<std::size_t>(4 * i)];
    for (int k = 0; k < 4; ++k)
        b[k] = static_cast<std::uint8_t>(value >> (8 * k));
    return true;
}

bool RowMask::clearRow(int row) {
    if (row < 0 || row / 8 >= rowMaskBytes())
        return false;
    m_bytes[static_cast<std::size_t>(row / 8)] &= static_cast<std::uint8_t>(~(1u << (row % 8)));
    return true;
}

bool RowMask::setRow(int row) {
    if (row < 0 || row / 8 >= rowMaskBytes())
        return false;
    m_bytes[static_cast<std::size_t>(row / 8)] |= static_cast<std::uint8_t>(1u << (row % 8));
    return true;
}

bool RowMask::hasRow(int row) const {
    if (row < 0 || row / 8 >= rowMaskBytes())
        return false;
    return (m_bytes[static_cast<std::size_t>(row / 8)] >> (row % 8)) & 1u;
}

} // namespace cellwatch
