#include "board/emulator/sram_model.h"

#include <cstring>
#include <new>

namespace cellwatch {

SramModel::SramModel(std::uint32_t bytes)
    : m_bytes(static_cast<std::uint8_t*>(std::calloc(bytes, 1))), m_size(bytes), m_mask(bytes - 1) {
    if (!m_bytes)
        throw std::bad_alloc();
}

std::uint32_t SramModel::load(std::uint32_t byteOffset) const {
    const std::uint32_t at = byteOffset & m_mask;
    if (at + 4 <= m_size) {
        std::uint32_t v;
        std::memcpy(&v, m_bytes.get() + at, 4); // the window is little-endian, as is every host we build for
        return v;
    }
    std::uint32_t v = 0;
    for (std::uint32_t k = 0; k < 4; ++k)
        v |= static_cast<std::uint32_t>(m_bytes.get()[(byteOffset + k) & m_mask]) << (8 * k);
    return v;
}

void SramModel::store(std::uint32_t byteOffset, std::uint32_t value) {
    const std::uint32_t at = byteOffset & m_mask;
    if (at + 4 <= m_size) {
        std::memcpy(m_bytes.get() + at, &value, 4);
        return;
    }
    for (std::uint32_t k = 0; k < 4; ++k)
        m_bytes.get()[(byteOffset + k) & m_mask] = static_cast<std::uint8_t>(value >> (8 * k));
}

void SramModel::loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words) const {
    for (std::size_t i = 0; i < words; ++i)
        dest[i] = load(byteOffset + static_cast<std::uint32_t>(4 * i));
}

void SramModel::storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words) {
    for (std::size_t i = 0; i < words; ++i)
        store(byteOffset + static_cast<std::uint32_t>(4 * i), src[i]);
}

} // namespace cellwatch
