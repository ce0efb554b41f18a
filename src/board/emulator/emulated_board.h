#pragma once
// The emulated LC3400DS board behind the memory window and the I/O ports: SRAM, the LC3400's
// registers and cell fabric, the board control ports and the clock synthesizer's serial line. Besides
// what the host can reach, it offers an inspection API for tests and tools.

#include "board/driver_channel.h"
#include "board/emulator/cell_fabric.h"
#include "board/emulator/sram_model.h"
#include "board/emulator/synth_decoder.h"
#include "design/device_geometry.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cellwatch {

struct EmulatorOptions {
    int cellsPerSide = 64;  // 48, 64, 96 or 128; anything else gives 64
    bool smallSram = false; // 0x20000 bytes instead of 2 MiB
};

// One write to a board port, as an offset from the port base.
struct PortWrite {
    std::uint16_t offset;
    std::uint32_t value;
};

class EmulatedBoard {
public:
    static constexpr std::uint16_t kPortBase = 0xE000;
    static constexpr std::uint32_t kMemoryBase = 0xF4000000;
    static constexpr std::uint32_t kWindowAddress = 0x80000000;
    static constexpr std::uint32_t kDeviceWindow = driver_protocol::kDeviceSpace;
    static constexpr std::size_t kPciConfigBytes = driver_protocol::kPciConfigSize;
    static constexpr std::size_t kPortHistoryLimit = 4096;

    explicit EmulatedBoard(const EmulatorOptions& options = {});

    // What the driver hands out at open.
    void pciConfig(std::uint8_t (&out)[kPciConfigBytes]) const;
    // A fresh open: the synthesizer line starts from a zero history again.
    void driverOpened() { m_synth.restart(); }

    // The memory window and the ports.
    std::uint32_t load(std::uint32_t byteOffset);
    void store(std::uint32_t byteOffset, std::uint32_t value);
    void loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words);
    void storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words);
    void storeSequence(const WindowStore* stores, std::size_t count);
    // DriverChannel's column access through the row map, with the same effect as its accesses one
    // by one.
    void storeMappedColumn(const MappedColumnAccess& access, std::uint32_t value);
    std::uint32_t loadMappedColumn(const MappedColumnAccess& access);
    void portOut(std::uint16_t port, std::uint32_t value);

    // Inspection.
    const DeviceGeometry& geometry() const { return m_geometry; }
    int cellsPerSide() const { return m_geometry.cells; }
    CellFabric& fabric() { return m_fabric; }
    bool cellState(int row, int column) { return m_fabric.state(row, column); }
    bool cellReadBack(int row, int column) { return m_fabric.readBack(row, column); }
    CellConfig cellConfig(int row, int column) const { return m_fabric.config(row, column); }
    std::uint32_t configWord(int row, int column, int offset) const {
        return m_fabric.configWord(row, column, offset);
    }
    std::uint8_t controlValue() const { return m_control; }
    int busWidth() const; // 8, 16 or 32, from control bits 2-3
    std::uint32_t mapWord(int i) const { return (i >= 0 && i < 4) ? m_map[static_cast<std::size_t>(i)] : 0; }
    std::uint8_t idByte(int i) const { return (i >= 0 && i < 16) ? m_id[static_cast<std::size_t>(i)] : 0; }
    const SramModel& sram() const { return m_sram; }
    std::uint32_t sramBytes() const { return m_sram.sizeBytes(); }
    std::uint8_t bankControl() const { return m_bank; }
    std::uint32_t port24() const { return m_port24; }
    int resets() const { return m_resets; }
    int clears() const { return m_clears; }
    // The last kPortHistoryLimit port writes, oldest first, and how many were ever made.
    std::vector<PortWrite> portHistory() const;
    std::uint64_t portWrites() const { return m_portWrites; }
    void clearPortHistory();
    const SynthDecoder& synthesizer() const { return m_synth; }

private:
    enum class Target : std::uint8_t { None, CellState, CellConfig, Control, Map, Id };
    struct Decoded {
        Target target = Target::None;
        int row = 0;
        int column = 0;
        int index = 0; // config offset, map word or id byte
    };

    Decoded decode(std::uint32_t deviceAddress) const;
    // The column of a cell-state access on the 16- or 32-bit bus at that device address, else -1.
    int wideColumnAccess(std::uint32_t deviceAddress) const {
        if ((deviceAddress & m_stateMask) != m_stateBits || (m_control & 0x0Cu) == 0)
            return -1;
        const auto column = static_cast<int>((deviceAddress >> m_columnShift) & m_columnMask);
        return column < m_geometry.cells ? column : -1;
    }
    // The rows of the wide bus in force (16 or 32), from the map.
    int wideRows() { return selectedRows((m_control & 0x0Cu) == 0x04u ? 16 : 32); }
    void storeWord(std::uint32_t byteOffset, std::uint32_t value);
    void storeRowMap(const MappedColumnAccess& access);
    std::uint32_t deviceLoad(std::uint32_t deviceAddress);
    void deviceStore(std::uint32_t deviceAddress, std::uint32_t value);
    // The rows a column access reaches: the map's cleared rows, ascending, at most the bus width.
    int selectedRows(int limit) {
        if (!m_rowsValid)
            findSelection();
        return std::min(m_selections[static_cast<std::size_t>(m_selection)].count, limit);
    }
    // Makes m_selection the entry of the map in force, scanning the map when it is not remembered.
    void findSelection();
    const std::uint8_t* selectedRowList() const {
        return m_selections[static_cast<std::size_t>(m_selection)].rows.data();
    }
    void reset();

    DeviceGeometry m_geometry;
    // The member's layout as the access paths test it: a cell-state address is one whose bits under
    // m_stateMask are m_stateBits (within the address pins, mode field 0, column-offset 3).
    std::uint32_t m_stateMask;
    std::uint32_t m_stateBits;
    std::uint32_t m_columnShift;
    std::uint32_t m_columnMask;
    std::uint32_t m_mapSpan; // map words times 4: the map register's address range
    std::uint32_t m_controlOffset; // window byte offsets of the control register and the first map word
    std::uint32_t m_mapOffset;
    CellFabric m_fabric;
    SramModel m_sram;
    SynthDecoder m_synth;

    std::uint8_t m_control = 0;
    std::array<std::uint32_t, 4> m_map{};
    std::array<std::uint8_t, 16> m_id{};
    // The rows a map selects, for the last few maps: a run's cycles go round the same maps (one per
    // read group, one for the clock register), so each is scanned once.
    struct RowSelection {
        std::array<std::uint32_t, 4> map{};
        std::array<std::uint8_t, 128> rows{};
        int count = 0;
        int next = -1; // the entry whose map came after this one's the last time it changed
    };
    static constexpr int kRememberedMaps = 8;
    std::array<RowSelection, kRememberedMaps> m_selections{};
    int m_selection = 0;      // the entry of the map in force once m_rowsValid
    int m_nextSelection = 0;  // the entry a map not remembered replaces
    int m_remembered = 0;     // entries [0, m_remembered) hold a map
    bool m_rowsValid = false; // false after a map write, until the next column access

    std::uint8_t m_bank = 0;
    std::uint32_t m_port24 = 0;
    int m_resets = 0;
    int m_clears = 0;
    std::vector<PortWrite> m_ports; // ring of kPortHistoryLimit
    std::uint64_t m_portWrites = 0;
};

} // namespace cellwatch
