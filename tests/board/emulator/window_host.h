#pragma once
// Drives an emulated channel the way the board layer does, at the level of window offsets and port
// writes, using the emulated member's own layout rather than the process-wide current member.

#include "board/emulator/emulated_channel.h"
#include "design/device_geometry.h"

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace cellwatch::test {

struct WindowHost {
    explicit WindowHost(int cells, bool smallSram = false)
        : channel(makeEmulatedChannel(EmulatorOptions{cells, smallSram})), board(*emulatedBoardOf(*channel)),
          g(board.geometry()) {}

    std::unique_ptr<DriverChannel> channel;
    EmulatedBoard& board;
    const DeviceGeometry& g;

    static std::uint32_t offsetOf(std::uint32_t deviceAddress) { return 0x800000u + 4u * deviceAddress; }
    void write(std::uint32_t deviceAddress, std::uint32_t value) {
        channel->store(offsetOf(deviceAddress), value);
    }
    std::uint32_t read(std::uint32_t deviceAddress) { return channel->load(offsetOf(deviceAddress)); }
    void port(std::uint16_t offset, std::uint32_t value) {
        channel->portOut(static_cast<std::uint16_t>(EmulatedBoard::kPortBase + offset), value);
    }

    std::uint32_t cell(int row, int column, int offset = 3) const {
        return static_cast<std::uint32_t>(column) << g.columnShift |
               static_cast<std::uint32_t>(offset) << g.offsetShift | static_cast<std::uint32_t>(row);
    }
    void configure(int row, int column, std::uint32_t a, std::uint32_t b, std::uint32_t function) {
        write(cell(row, column, 0), a);
        write(cell(row, column, 1), b);
        write(cell(row, column, 2), function);
    }
    void setBus(int width) {
        const std::uint32_t bits = width == 8 ? 0u : width == 16 ? 1u : 2u;
        write(g.controlRegister, (read(g.controlRegister) & 0xF3u) | bits << 2);
    }
    // Selects exactly the given rows (their map bits cleared).
    void selectRows(std::initializer_list<int> rows) {
        std::uint32_t words[4] = {~0u, ~0u, ~0u, ~0u};
        for (int r : rows)
            words[r / 32] &= ~(1u << (r % 32));
        for (int i = 0; i < g.rowMaskBytes / 4; ++i)
            write(g.mapRegister + 4u * static_cast<std::uint32_t>(i), words[i]);
    }
    // One cell through the 32-bit bus, as the run engine assigns a register.
    void assignCell(int row, int column, std::uint32_t bit) {
        selectRows({row});
        write(cell(0, column), bit);
    }
};

} // namespace cellwatch::test
