#include "board/board_driver.h"

#include "board/board_errors.h"

namespace cellwatch {

namespace {

constexpr std::uint32_t kControlInitialise = driver_protocol::kInitialise;
constexpr std::uint32_t kControlClose = driver_protocol::kClose;
constexpr std::uint32_t kControlPciConfig = driver_protocol::kPciConfig;
constexpr std::uint32_t kControlWindow = driver_protocol::kWindow;

} // namespace

BoardDriver::BoardDriver(std::unique_ptr<DriverChannel> channel)
    : m_channel(std::move(channel)), m_clock(&steadyMillisecondClock()) {
    open();
    m_controlByte = 0xFF;
    m_serialHistory = 0;
    m_controlFlag = 0;
    selectDevice(1);
}

BoardDriver::~BoardDriver() {
    if (!m_channelOpen)
        return;
    m_channel->control(kControlClose, nullptr, 0, m_bytesReturned);
    m_channel->close();
}

void BoardDriver::open() {
    m_error = kBoardNoError;
    m_ok = false;
    if (!m_channel || !m_channel->available() || !m_channel->open()) {
        m_error = kBoardDriverNotFound;
        return;
    }
    m_channelOpen = true;
    // A working driver answers the initialise call with failure; success means it did not initialise.
    if (m_channel->control(kControlInitialise, nullptr, 0, m_bytesReturned)) {
        m_error = kBoardDriverInitFailed;
        return;
    }
    std::uint8_t window[4] = {};
    m_channel->control(kControlWindow, window, sizeof window, m_bytesReturned);
    m_window = static_cast<std::uint32_t>(window[0]) | static_cast<std::uint32_t>(window[1]) << 8 |
               static_cast<std::uint32_t>(window[2]) << 16 | static_cast<std::uint32_t>(window[3]) << 24;
    m_channel->control(kControlPciConfig, m_pciConfig.data(), kPciConfigSize, m_bytesReturned);

    const std::uint16_t ioBase = static_cast<std::uint16_t>(m_pciConfig[20] | m_pciConfig[21] << 8);
    if ((ioBase & 1u) == 0) {
        m_error = kBoardDriverInitFailed;
        return;
    }
    m_portBase = static_cast<std::uint16_t>(ioBase & ~1u);
    m_memoryBase =
        static_cast<std::uint32_t>(m_pciConfig[16]) | static_cast<std::uint32_t>(m_pciConfig[17]) << 8 |
        static_cast<std::uint32_t>(m_pciConfig[18]) << 16 | static_cast<std::uint32_t>(m_pciConfig[19]) << 24;
    m_ok = true;
}

void BoardDriver::setMillisecondClock(MillisecondClock* clock) {
    m_clock = clock ? clock : &steadyMillisecondClock();
}

void BoardDriver::writeBlock(std::uint32_t byteOffset, const std::uint32_t* source, std::size_t words) {
    if (m_ok && words > 0)
        m_channel->storeBlock(byteOffset, source, words);
}

void BoardDriver::readBlock(std::uint32_t byteOffset, std::uint32_t* destination, std::size_t words) {
    if (words == 0)
        return;
    if (m_ok) {
        m_channel->loadBlock(byteOffset, destination, words);
        return;
    }
    for (std::size_t i = 0; i < words; ++i)
        destination[i] = kNoBus;
}

void BoardDriver::port(std::uint16_t offset, std::uint32_t value) {
    if (m_ok)
        m_channel->portOut(static_cast<std::uint16_t>(m_portBase + offset), value);
}

void BoardDriver::resetBoard() {
    port(kPortReset, 1);
}

void BoardDriver::assertClear() {
    port(kPortReset, 2);
}

void BoardDriver::setPort24Flag(int flag) {
    m_controlFlag = static_cast<std::uint8_t>(flag);
    port(kPortControl, m_controlByte + (flag != 0 ? 0x100u : 0u));
}

void BoardDriver::setBankControl(int value) {
    port(kPortBank, static_cast<std::uint32_t>(value) & 3u);
}

void BoardDriver::serialBit(int bit) {
    port(kPortSerial, static_cast<std::uint32_t>(bit) & 1u);
}

void BoardDriver::fillSram(std::uint32_t byteOffset, std::uint32_t data, std::uint32_t count, int bank) {
    const std::uint32_t word = bank == 1 ? data << 16 : data;
    for (std::uint32_t i = 0; i < count; ++i, byteOffset += 4)
        writeBlock(byteOffset, &word, 1);
}

void BoardDriver::readSram(std::uint32_t* destination, std::size_t words, int bank) {
    setBankControl(0);
    readBlock(0, destination, words);
    setBankControl(bank);
}

} // namespace cellwatch
