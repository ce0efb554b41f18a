// BoardDriver's device-level operations: control register, bus width, map register, columns,
// identification and the SRAM size probe.
#include "board/board_driver.h"

#include "board/board_errors.h"

namespace cellwatch {

namespace {

// Written into the identification area; the 16th byte is the marker.
constexpr char kIdentificationText[] = "Halvane LC3000 ";
constexpr int kIdentificationChars = 15;
static_assert(sizeof kIdentificationText == kIdentificationChars + 1);

// The SRAM probe's two byte offsets, 0x20000 bytes apart.
constexpr std::uint32_t kProbeLow = 42;
constexpr std::uint32_t kProbeHigh = 131114;

using driver_protocol::controlOnBus;

} // namespace

ColumnAccess prepareColumnAccess(const RowMask& mask, int column) {
    const DeviceGeometry& g = currentDevice();
    constexpr auto offset = driver_protocol::deviceByteOffset;
    ColumnAccess access;
    access.mask = mask;
    access.column = column;
    access.mode = g.mode;
    access.bus.control = offset(g.controlRegister);
    const int words = g.rowMaskBytes / 4;
    const std::uint8_t* b = mask.bytes().data();
    for (int i = 0; i < words && i < 4; ++i, b += 4) {
        const std::uint32_t word = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                   static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
        access.bus.map[access.bus.mapWords++] = {offset(g.mapRegister + 4u * static_cast<std::uint32_t>(i)), word};
    }
    access.bus.column = offset(cellStateAddress(0, column));
    return access;
}

std::uint32_t BoardDriver::readControl() {
    return readDeviceWord(controlRegister());
}

void BoardDriver::writeControl(std::uint32_t value) {
    writeDeviceWord(controlRegister(), controlOnBus(value));
}

int BoardDriver::setBusWidth(int width) {
    std::uint32_t field = 0;
    switch (width) {
    case 8:
        field = 0;
        break;
    case 16:
        field = 1;
        break;
    case 32:
        field = 2;
        break;
    default:
        return kBoardBusWidthError;
    }
    const std::uint32_t c = readControl() & 0x7Fu;
    writeDeviceWord(controlRegister(), (c & ~0x0Cu) | field << 2);
    return kBoardNoError;
}

void BoardDriver::writeMapRegister(const RowMask& mask) {
    if (!m_ok)
        return;
    // The control read, then the 32-bit bus, the map words and the control value restored in one
    // call to the channel.
    m_channel->storeRowMap(prepareColumnAccess(mask, 0).bus);
}

void BoardDriver::writeColumn(int column, std::uint32_t value) {
    writeDeviceWord(cellStateAddress(0, column), value);
}

std::uint32_t BoardDriver::readColumn(int column) {
    return readDeviceWord(cellStateAddress(0, column));
}

void BoardDriver::writeIdentification(std::uint32_t marker) {
    const std::uint32_t c = readControl();
    writeControl(0);
    const std::uint32_t base = idArea();
    for (int i = 0; i < kIdentificationChars; ++i)
        writeDeviceWord(base + static_cast<std::uint32_t>(i),
                        static_cast<std::uint8_t>(kIdentificationText[i]));
    writeDeviceWord(base + kIdentificationChars, marker & 0xFFu);
    writeControl(c);
}

std::uint8_t BoardDriver::readIdentification() {
    const std::uint32_t c = readControl();
    writeControl(c & 0xF3u);
    const std::uint32_t v = readDeviceWord(idArea() + static_cast<std::uint32_t>(idLength()) - 1u);
    writeControl(c);
    return static_cast<std::uint8_t>(v);
}

int BoardDriver::identifyBoard() {
    selectDevice(1);
    writeIdentification(1);
    if (readIdentification() == 1)
        return 1;
    selectDevice(3);
    writeIdentification(3);
    return readIdentification() == 3 ? 3 : 0xFF;
}

std::uint32_t BoardDriver::measureSram() {
    std::uint32_t savedLow = 0;
    std::uint32_t savedHigh = 0;
    readBlock(kProbeLow, &savedLow, 1);
    readBlock(kProbeHigh, &savedHigh, 1);
    const std::uint32_t zero = 0;
    const std::uint32_t ones = 0xFFFFFFFFu;
    writeBlock(kProbeLow, &zero, 1);
    writeBlock(kProbeHigh, &ones, 1);
    std::uint32_t probe = 0;
    readBlock(kProbeLow, &probe, 1);
    std::uint32_t size = kSmallSram;
    if (probe == 0) {
        size = kLargeSram;
        writeBlock(kProbeHigh, &savedHigh, 1);
    }
    writeBlock(kProbeLow, &savedLow, 1);
    return size;
}

} // namespace cellwatch
