#include "board/emulator/emulated_board.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace cellwatch {

namespace {

int modeOfCells(int cells) {
    switch (cells) {
    case 48:
        return 0;
    case 96:
        return 2;
    case 128:
        return 3;
    default:
        return 1;
    }
}

void put16(std::uint8_t* at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<std::uint8_t>(v >> (8 * k));
}

} // namespace

EmulatedBoard::EmulatedBoard(const EmulatorOptions& options)
    : m_geometry(geometryOfMode(modeOfCells(options.cellsPerSide))),
      m_stateMask(~((1u << m_geometry.addressBits) - 1u) | 3u << m_geometry.modeShift |
                  3u << m_geometry.offsetShift),
      m_stateBits(3u << m_geometry.offsetShift), m_columnShift(static_cast<std::uint32_t>(m_geometry.columnShift)),
      m_columnMask((1u << m_geometry.rowBits) - 1u),
      m_mapSpan(4u * static_cast<std::uint32_t>(m_geometry.rowMaskBytes / 4)),
      m_controlOffset(kDeviceWindow + 4u * m_geometry.controlRegister),
      m_mapOffset(kDeviceWindow + 4u * m_geometry.mapRegister), m_fabric(m_geometry.cells),
      m_sram(options.smallSram ? SramModel::kSmallBytes : SramModel::kFullBytes) {
    m_ports.reserve(kPortHistoryLimit);
    reset();
    m_resets = 0;
}

void EmulatedBoard::pciConfig(std::uint8_t (&out)[kPciConfigBytes]) const {
    std::memset(out, 0, sizeof out);
    put16(out + 0, 0x4C43); // vendor id of our own making
    put16(out + 2, 0x3400); // device id
    put16(out + 4, 0x0003); // command: memory and I/O space enabled
    put16(out + 6, 0x0200); // status: medium devsel timing
    out[8] = 0x01;          // revision
    out[10] = 0x80;         // sub-class: other
    out[11] = 0x0B;         // class: processor/co-processor
    put32(out + 16, kMemoryBase);
    put32(out + 20, kPortBase | 1u); // I/O space indicator
    out[60] = 0x0B;                  // interrupt line
    out[61] = 0x01;                  // interrupt pin A
}

std::uint32_t EmulatedBoard::load(std::uint32_t byteOffset) {
    if (byteOffset < kDeviceWindow)
        return m_sram.load(byteOffset);
    const std::uint32_t a = (byteOffset - kDeviceWindow) >> 2;
    // The accesses of every cycle of a run come first: a column on the 16- or 32-bit bus, the
    // control register.
    if (a == m_geometry.controlRegister)
        return m_control;
    if (const int column = wideColumnAccess(a); column >= 0) {
        const int count = wideRows();
        return m_fabric.readCells(column, selectedRowList(), count);
    }
    return deviceLoad(a);
}

// The registers every cycle of a run reaches (control, map words, a column on the 16- or 32-bit
// bus) are tested before the general decode; the addresses are disjoint, so the order is free.
inline void EmulatedBoard::storeWord(std::uint32_t byteOffset, std::uint32_t value) {
    if (byteOffset < kDeviceWindow) {
        m_sram.store(byteOffset, value);
        return;
    }
    const std::uint32_t a = (byteOffset - kDeviceWindow) >> 2;
    if (a == m_geometry.controlRegister) {
        m_control = static_cast<std::uint8_t>(value);
        return;
    }
    if (const std::uint32_t word = a - m_geometry.mapRegister; word < m_mapSpan && word % 4u == 0) {
        if (m_map[word / 4u] != value) {
            m_map[word / 4u] = value;
            m_rowsValid = false;
        }
        return;
    }
    if (const int column = wideColumnAccess(a); column >= 0) {
        const int count = wideRows();
        m_fabric.writeCells(column, selectedRowList(), count, value);
        return;
    }
    deviceStore(a, value);
}

void EmulatedBoard::storeRowMap(const MappedColumnAccess& access) {
    const std::uint32_t count = std::min<std::uint32_t>(access.mapWords, 4);
    // The board layer's own sequence (control register, then this member's map words in order)
    // leaves only the map words and the control value restored behind: the wide-bus value in
    // between matters to no map word. Anything else takes its stores one by one.
    bool own = access.control == m_controlOffset && count == m_mapSpan / 4u;
    for (std::uint32_t i = 0; own && i < count; ++i)
        own = access.map[i].byteOffset == m_mapOffset + 16u * i;
    if (!own) {
        WindowStore stores[6];
        storeSequence(stores, access.rowMapStores(load(access.control), stores));
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (m_map[i] != access.map[i].value) {
            m_map[i] = access.map[i].value;
            m_rowsValid = false;
        }
    }
    m_control = static_cast<std::uint8_t>(driver_protocol::controlOnBus(m_control));
}

void EmulatedBoard::storeMappedColumn(const MappedColumnAccess& access, std::uint32_t value) {
    storeRowMap(access);
    storeWord(access.column, value);
}

std::uint32_t EmulatedBoard::loadMappedColumn(const MappedColumnAccess& access) {
    storeRowMap(access);
    return load(access.column);
}

void EmulatedBoard::store(std::uint32_t byteOffset, std::uint32_t value) {
    storeWord(byteOffset, value);
}

void EmulatedBoard::storeSequence(const WindowStore* stores, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        storeWord(stores[i].byteOffset, stores[i].value);
}

void EmulatedBoard::loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words) {
    if (static_cast<std::uint64_t>(byteOffset) + 4u * words <= kDeviceWindow) {
        m_sram.loadBlock(byteOffset, dest, words);
        return;
    }
    for (std::size_t i = 0; i < words; ++i)
        dest[i] = load(byteOffset + static_cast<std::uint32_t>(4 * i));
}

void EmulatedBoard::storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words) {
    if (static_cast<std::uint64_t>(byteOffset) + 4u * words <= kDeviceWindow) {
        m_sram.storeBlock(byteOffset, src, words);
        return;
    }
    for (std::size_t i = 0; i < words; ++i)
        store(byteOffset + static_cast<std::uint32_t>(4 * i), src[i]);
}

void EmulatedBoard::portOut(std::uint16_t port, std::uint32_t value) {
    const std::uint16_t offset = static_cast<std::uint16_t>(port - kPortBase);
    const PortWrite w{offset, value};
    if (m_ports.size() < kPortHistoryLimit)
        m_ports.push_back(w);
    else
        m_ports[static_cast<std::size_t>(m_portWrites % kPortHistoryLimit)] = w;
    ++m_portWrites;

    switch (offset) {
    case driver_protocol::kPortReset:
        if (value == 1) {
            reset();
        } else if (value == 2) {
            ++m_clears;
            m_fabric.clearRegisters();
        }
        break;
    case driver_protocol::kPortSerial:
        m_synth.bit(value);
        break;
    case driver_protocol::kPortControl:
        m_port24 = value;
        break;
    case driver_protocol::kPortBank:
        m_bank = static_cast<std::uint8_t>(value & 3u);
        break;
    default:
        break; // not a port of this board
    }
}

std::vector<PortWrite> EmulatedBoard::portHistory() const {
    if (m_portWrites <= kPortHistoryLimit)
        return m_ports;
    std::vector<PortWrite> out;
    out.reserve(kPortHistoryLimit);
    const std::size_t start = static_cast<std::size_t>(m_portWrites % kPortHistoryLimit);
    out.insert(out.end(), m_ports.begin() + static_cast<std::ptrdiff_t>(start), m_ports.end());
    out.insert(out.end(), m_ports.begin(), m_ports.begin() + static_cast<std::ptrdiff_t>(start));
    return out;
}

void EmulatedBoard::clearPortHistory() {
    m_ports.clear();
    m_portWrites = 0;
}

int EmulatedBoard::busWidth() const {
    switch ((m_control >> 2) & 3u) {
    case 0:
        return 8;
    case 1:
        return 16;
    default:
        return 32; // 11 is not a width the host sets; the widest bus answers it
    }
}

void EmulatedBoard::reset() {
    ++m_resets;
    m_fabric.reset();
    m_control = 0;
    m_map.fill(0);
    m_id.fill(0);
    m_rowsValid = false;
}

EmulatedBoard::Decoded EmulatedBoard::decode(std::uint32_t a) const {
    const DeviceGeometry& g = m_geometry;
    Decoded d;
    if (a >> g.addressBits)
        return d; // beyond this member's address pins
    const std::uint32_t fieldMask = (1u << g.rowBits) - 1u;
    if (((a >> g.modeShift) & 3u) == 0) {
        d.row = static_cast<int>(a & fieldMask);
        d.column = static_cast<int>((a >> g.columnShift) & fieldMask);
        d.index = static_cast<int>((a >> g.offsetShift) & 3u);
        if (d.column >= g.cells)
            return d;
        d.target = d.index == 3 ? Target::CellState : Target::CellConfig;
        return d;
    }
    if (a == g.controlRegister) {
        d.target = Target::Control;
    } else if (a >= g.mapRegister &&
               a < g.mapRegister + 4u * static_cast<std::uint32_t>(g.rowMaskBytes / 4) &&
               (a - g.mapRegister) % 4u == 0) {
        d.target = Target::Map;
        d.index = static_cast<int>((a - g.mapRegister) / 4u);
    } else if (a >= g.idArea && a < g.idArea + static_cast<std::uint32_t>(g.idLength)) {
        d.target = Target::Id;
        d.index = static_cast<int>(a - g.idArea);
    }
    return d;
}

void EmulatedBoard::findSelection() {
    m_rowsValid = true;
    const auto holds = [this](const RowSelection& known) {
        return known.map[0] == m_map[0] && known.map[1] == m_map[1] && known.map[2] == m_map[2] &&
               known.map[3] == m_map[3];
    };
    // A run's cycles go round the same maps in the same order: the map that followed this one last
    // time is tried first.
    const int previous = m_selection;
    if (m_remembered > 0) {
        const int next = m_selections[static_cast<std::size_t>(previous)].next;
        if (next >= 0 && holds(m_selections[static_cast<std::size_t>(next)])) {
            m_selection = next;
            return;
        }
        for (int i = 0; i < m_remembered; ++i) {
            if (holds(m_selections[static_cast<std::size_t>(i)])) {
                m_selections[static_cast<std::size_t>(previous)].next = i;
                m_selection = i;
                return;
            }
        }
    }
    m_selection = m_nextSelection;
    m_nextSelection = (m_nextSelection + 1) % kRememberedMaps;
    if (m_remembered > 0)
        m_selections[static_cast<std::size_t>(previous)].next = m_selection;
    m_remembered = std::max(m_remembered, m_selection + 1);
    RowSelection& s = m_selections[static_cast<std::size_t>(m_selection)];
    s.map = m_map;
    s.next = -1;
    s.count = 0;
    // Rows past the map register's last word (rows 32-47 of the 48-cell member) cannot be selected.
    const int reachable = std::min(m_geometry.cells, 32 * (m_geometry.rowMaskBytes / 4));
    for (int word = 0; 32 * word < reachable; ++word) {
        const int rows = std::min(32, reachable - 32 * word);
        std::uint32_t selected = ~m_map[static_cast<std::size_t>(word)];
        if (rows < 32)
            selected &= (1u << rows) - 1u;
        while (selected != 0) {
            const int r = 32 * word + std::countr_zero(selected);
            s.rows[static_cast<std::size_t>(s.count++)] = static_cast<std::uint8_t>(r);
            selected &= selected - 1u;
        }
    }
}

std::uint32_t EmulatedBoard::deviceLoad(std::uint32_t deviceAddress) {
    const Decoded d = decode(deviceAddress);
    switch (d.target) {
    case Target::CellState: {
        const int width = busWidth();
        if (width == 8) {
            if (d.row >= m_geometry.cells)
                return m_fabric.readCells(d.column, nullptr, 0); // still a strobe of the column
            const std::uint8_t row = static_cast<std::uint8_t>(d.row);
            return m_fabric.readCells(d.column, &row, 1);
        }
        const int count = selectedRows(width);
        return m_fabric.readCells(d.column, selectedRowList(), count);
    }
    case Target::Control:
        return m_control;
    case Target::Map:
        return m_map[static_cast<std::size_t>(d.index)];
    case Target::Id:
        return m_id[static_cast<std::size_t>(d.index)];
    case Target::CellConfig: // write-only: the configuration is not read back through the window
    case Target::None:
        break;
    }
    return 0;
}

void EmulatedBoard::deviceStore(std::uint32_t deviceAddress, std::uint32_t value) {
    const Decoded d = decode(deviceAddress);
    switch (d.target) {
    case Target::CellState: {
        const int width = busWidth();
        if (width == 8) {
            if (d.row >= m_geometry.cells) {
                m_fabric.writeCells(d.column, nullptr, 0, 0);
                return;
            }
            const std::uint8_t row = static_cast<std::uint8_t>(d.row);
            m_fabric.writeCells(d.column, &row, 1, value & 1u);
            return;
        }
        const int count = selectedRows(width);
        m_fabric.writeCells(d.column, selectedRowList(), count, value);
        return;
    }
    case Target::CellConfig:
        m_fabric.writeConfig(d.row, d.column, d.index, value);
        return;
    case Target::Control:
        m_control = static_cast<std::uint8_t>(value);
        return;
    case Target::Map:
        if (m_map[static_cast<std::size_t>(d.index)] != value) {
            m_map[static_cast<std::size_t>(d.index)] = value;
            m_rowsValid = false;
        }
        return;
    case Target::Id:
        m_id[static_cast<std::size_t>(d.index)] = static_cast<std::uint8_t>(value);
        return;
    case Target::None:
        return;
    }
}

} // namespace cellwatch
