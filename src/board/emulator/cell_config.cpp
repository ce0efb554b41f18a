#include "board/emulator/cell_config.h"

namespace cellwatch {

std::uint32_t CellSource::encode() const {
    switch (kind) {
    case Kind::Cell:
        return 0x10000u | (static_cast<std::uint32_t>(column & 0xFF) << 8) |
               static_cast<std::uint32_t>(row & 0xFF);
    case Kind::One:
        return 0x20000u;
    case Kind::Zero:
        break;
    }
    return 0;
}

CellSource CellSource::decode(std::uint32_t word) {
    switch ((word >> 16) & 0xF) {
    case 1:
        return cell(static_cast<int>(word & 0xFF), static_cast<int>((word >> 8) & 0xFF));
    case 2:
        return one();
    default:
        return zero();
    }
}

std::uint32_t CellConfig::functionWord() const {
    return static_cast<std::uint32_t>(table & 0xF) | static_cast<std::uint32_t>(mode) << 4 |
           static_cast<std::uint32_t>(clock) << 8 | static_cast<std::uint32_t>(clockRow & 0xFF) << 12 |
           static_cast<std::uint32_t>(clockColumn & 0xFF) << 20 | (invertedReadBack ? 1u << 28 : 0u);
}

CellConfig CellConfig::decode(std::uint32_t word0, std::uint32_t word1, std::uint32_t word2) {
    CellConfig c;
    c.inputA = CellSource::decode(word0);
    c.inputB = CellSource::decode(word1);
    c.table = static_cast<std::uint8_t>(word2 & 0xF);
    const std::uint32_t mode = (word2 >> 4) & 0xF;
    // Reserved modes and clock kinds behave as the plain ones so that a stray word never makes logic.
    c.mode = mode <= 2 ? static_cast<CellMode>(mode) : CellMode::Storage;
    const std::uint32_t clock = (word2 >> 8) & 0xF;
    c.clock = clock <= 3 ? static_cast<ClockKind>(clock) : ClockKind::Global;
    c.clockRow = static_cast<int>((word2 >> 12) & 0xFF);
    c.clockColumn = static_cast<int>((word2 >> 20) & 0xFF);
    c.invertedReadBack = (word2 >> 28) & 1u;
    return c;
}

} // namespace cellwatch
