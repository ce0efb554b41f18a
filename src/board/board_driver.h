#pragma once
// The open board: runs the driver's open sequence over a DriverChannel, then offers the memory window,
// the I/O ports and the device-level operations (control register, columns, identification, SRAM size,
// configuration loading, clock synthesizer) that the session and the run engine use.

#include "board/column_access.h"
#include "board/driver_channel.h"
#include "board/millisecond_clock.h"
#include "design/device_geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace cellwatch {

struct CalProblem;

class BoardDriver {
public:
    static constexpr std::size_t kPciConfigSize = driver_protocol::kPciConfigSize;
    static constexpr std::uint32_t kDeviceSpaceOffset = driver_protocol::kDeviceSpace;
    // I/O port offsets from the port base.
    static constexpr std::uint16_t kPortReset = driver_protocol::kPortReset;
    static constexpr std::uint16_t kPortSerial = driver_protocol::kPortSerial;
    static constexpr std::uint16_t kPortControl = driver_protocol::kPortControl;
    static constexpr std::uint16_t kPortBank = driver_protocol::kPortBank;
    // SRAM sizes in 32-bit words that measureSram tells apart.
    static constexpr std::uint32_t kSmallSram = 0x20000;
    static constexpr std::uint32_t kLargeSram = 0x80000;

    // Runs the open sequence; error() tells the outcome. A null channel counts as no driver.
    explicit BoardDriver(std::unique_ptr<DriverChannel> channel);
    // Sends control code 4 and closes the channel when it was opened.
    ~BoardDriver();
    BoardDriver(const BoardDriver&) = delete;
    BoardDriver& operator=(const BoardDriver&) = delete;

    // 0 when usable, else 1 or 2 (see boardErrorText).
    int error() const { return m_error; }
    bool ok() const { return m_ok; }
    // The board stopped answering during use (see DriverChannel::lost); a run on it must end.
    bool lost() const { return m_ok && m_channel->lost(); }
    std::string lostReason() const { return m_ok ? m_channel->lostReason() : std::string(); }
    std::uint16_t portBase() const { return m_portBase; }
    std::uint32_t memoryBase() const { return m_memoryBase; }
    std::uint32_t window() const { return m_window; }
    const std::array<std::uint8_t, kPciConfigSize>& pciConfig() const { return m_pciConfig; }
    std::uint8_t serialHistory() const { return m_serialHistory; }
    std::uint8_t controlByte() const { return m_controlByte; }
    std::uint8_t controlFlag() const { return m_controlFlag; }
    // The session sets 200 before its first setPort24Flag.
    void setControlByte(std::uint8_t value) { m_controlByte = value; }

    // The clock that paces the synthesizer's bits; not owned. Null restores the steady clock.
    void setMillisecondClock(MillisecondClock* clock);

    // Memory window. Device address a is the word at byte offset 4 * (a | 0x200000).
    // Without an open board, stores are dropped and loads give 0xFFFFFFFF, as from an empty bus.
    void writeDeviceWord(std::uint32_t deviceAddress, std::uint32_t value) {
        if (m_ok)
            m_channel->store(deviceOffset(deviceAddress), value);
    }
    std::uint32_t readDeviceWord(std::uint32_t deviceAddress) {
        return m_ok ? m_channel->load(deviceOffset(deviceAddress)) : kNoBus;
    }
    void writeBlock(std::uint32_t byteOffset, const std::uint32_t* source, std::size_t words);
    void readBlock(std::uint32_t byteOffset, std::uint32_t* destination, std::size_t words);

    // Ports.
    void resetBoard();
    void assertClear();
    void setPort24Flag(int flag);
    void setBankControl(int value);
    void serialBit(int bit);

    // SRAM helpers: the memory-fill command and the SRAM view's read.
    void fillSram(std::uint32_t byteOffset, std::uint32_t data, std::uint32_t count, int bank);
    void readSram(std::uint32_t* destination, std::size_t words, int bank);

    // Device operations over the current member's registers.
    std::uint32_t readControl();
    void writeControl(std::uint32_t value);
    int setBusWidth(int width);
    void writeMapRegister(const RowMask& mask);
    void writeColumn(int column, std::uint32_t value);
    std::uint32_t readColumn(int column);
    // writeMapRegister(access.mask), then writeColumn or readColumn of access.column.
    void writeColumnRows(const ColumnAccess& access, std::uint32_t value) {
        if (!m_ok)
            return;
        if (access.mode != deviceMode()) [[unlikely]] {
            writeColumnRows(prepareColumnAccess(access.mask, access.column), value);
            return;
        }
        m_channel->storeMappedColumn(access.bus, value);
    }
    std::uint32_t readColumnRows(const ColumnAccess& access) {
        if (!m_ok)
            return kNoBus;
        if (access.mode != deviceMode()) [[unlikely]]
            return readColumnRows(prepareColumnAccess(access.mask, access.column));
        return m_channel->loadMappedColumn(access.bus);
    }
    void writeIdentification(std::uint32_t marker);
    std::uint8_t readIdentification();
    // 1 for the 64-cell member, 3 for the 128-cell member, 0xFF when neither answers.
    int identifyBoard();
    // The SRAM size in 32-bit words: kSmallSram or kLargeSram.
    std::uint32_t measureSram();

    // Loads a CAL file onto the device: 0, 4 (cannot open, or not a regular file) or 5 (bad line or
    // read error). problem, when given, receives the failing line and the reason.
    int loadConfiguration(const char* path, CalProblem* problem = nullptr);
    // The same from text already in memory; 0 or 5.
    int loadConfigurationText(std::string_view text);

    // Programs the synthesizer; the frequency obtained in MHz, or -1.0 when it cannot be made.
    double setClockFrequency(double referenceMHz, double wantedMHz);

private:
    static constexpr std::uint32_t kNoBus = 0xFFFFFFFFu;

    static std::uint32_t deviceOffset(std::uint32_t deviceAddress) {
        return driver_protocol::deviceByteOffset(deviceAddress);
    }
    void port(std::uint16_t offset, std::uint32_t value);
    void open();
    void waitOneMillisecond();
    void sendSerialBit(int bit);
    void sendStuffed(std::uint32_t value, int bits);
    void sendSeparator();

    std::unique_ptr<DriverChannel> m_channel;
    MillisecondClock* m_clock;
    int m_error = 0;
    bool m_ok = false;
    bool m_channelOpen = false;
    std::uint16_t m_portBase = 0;
    std::uint32_t m_memoryBase = 0;
    std::uint32_t m_window = 0;
    std::array<std::uint8_t, kPciConfigSize> m_pciConfig{};
    std::uint32_t m_bytesReturned = 0;
    std::uint8_t m_serialHistory = 0;
    std::uint8_t m_controlByte = 0xFF;
    std::uint8_t m_controlFlag = 0;
};

} // namespace cellwatch
