#include "board/emulator/emulated_channel.h"

#include <algorithm>
#include <cstring>

namespace cellwatch {

namespace {

// The driver side of the emulation: answers the control codes as a working driver does and forwards
// window and port accesses to the board.
class EmulatedChannel final : public DriverChannel {
public:
    explicit EmulatedChannel(const EmulatorOptions& options) : m_board(options) {}

    EmulatedBoard& board() { return m_board; }

    bool available() const override { return true; }

    bool open() override {
        m_board.driverOpened();
        return true;
    }

    bool control(std::uint32_t code, void* out, std::uint32_t outSize,
                 std::uint32_t& bytesReturned) override {
        bytesReturned = 0;
        switch (code) {
        case driver_protocol::kInitialise:
            return false; // a working driver answers initialise with failure
        case driver_protocol::kClose:
            return true;
        case driver_protocol::kPciConfig: {
            std::uint8_t data[EmulatedBoard::kPciConfigBytes];
            m_board.pciConfig(data);
            return give(data, sizeof data, out, outSize, bytesReturned);
        }
        case driver_protocol::kWindow: {
            const std::uint32_t address = EmulatedBoard::kWindowAddress;
            std::uint8_t data[4];
            std::memcpy(data, &address, 4);
            return give(data, sizeof data, out, outSize, bytesReturned);
        }
        default:
            return false;
        }
    }

    void close() override {}

    std::uint32_t load(std::uint32_t byteOffset) override { return m_board.load(byteOffset); }
    void store(std::uint32_t byteOffset, std::uint32_t value) override { m_board.store(byteOffset, value); }
    void loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words) override {
        m_board.loadBlock(byteOffset, dest, words);
    }
    void storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words) override {
        m_board.storeBlock(byteOffset, src, words);
    }
    void storeSequence(const WindowStore* stores, std::size_t count) override {
        m_board.storeSequence(stores, count);
    }
    void storeMappedColumn(const MappedColumnAccess& access, std::uint32_t value) override {
        m_board.storeMappedColumn(access, value);
    }
    std::uint32_t loadMappedColumn(const MappedColumnAccess& access) override {
        return m_board.loadMappedColumn(access);
    }
    void portOut(std::uint16_t port, std::uint32_t value) override { m_board.portOut(port, value); }

private:
    static bool give(const std::uint8_t* data, std::uint32_t size, void* out, std::uint32_t outSize,
                     std::uint32_t& bytesReturned) {
        const std::uint32_t n = std::min(size, outSize);
        if (n > 0 && out)
            std::memcpy(out, data, n);
        bytesReturned = out ? n : 0;
        return true;
    }

    EmulatedBoard m_board;
};

} // namespace

std::unique_ptr<DriverChannel> makeEmulatedChannel(int cellsPerSide) {
    EmulatorOptions options;
    options.cellsPerSide = cellsPerSide;
    return makeEmulatedChannel(options);
}

std::unique_ptr<DriverChannel> makeEmulatedChannel(const EmulatorOptions& options) {
    return std::make_unique<EmulatedChannel>(options);
}

EmulatedBoard* emulatedBoardOf(DriverChannel& channel) {
    auto* emulated = dynamic_cast<EmulatedChannel*>(&channel);
    return emulated ? &emulated->board() : nullptr;
}

} // namespace cellwatch
