#pragma once
// The stand-in for the board's kernel driver: what BoardDriver's open sequence asks of the driver,
// plus the memory window and the I/O ports that the driver makes reachable once open.
// Implementations: the emulated LC3400DS (board/emulator), a real board through the Linux PCI files
// (board/pci), test doubles.

#include <cstddef>
#include <cstdint>
#include <string>

namespace cellwatch {

// What both sides of a channel agree on: control codes, buffer sizes, the window layout and the
// port offsets from the board's I/O base.
namespace driver_protocol {
inline constexpr std::uint32_t kInitialise = 0;
inline constexpr std::uint32_t kClose = 4;
inline constexpr std::uint32_t kPciConfig = 5;
inline constexpr std::uint32_t kWindow = 6;
inline constexpr std::size_t kPciConfigSize = 148;
// Device address a is the 32-bit word at byte offset kDeviceSpace + 4a; SRAM starts at 0.
inline constexpr std::uint32_t kDeviceSpace = 0x800000;
inline constexpr std::uint16_t kPortReset = 0x10;  // 1 resets the board, 2 asserts its clear line
inline constexpr std::uint16_t kPortSerial = 0x14; // the clock synthesizer's serial line
inline constexpr std::uint16_t kPortControl = 0x24;
inline constexpr std::uint16_t kPortBank = 0x2c;

// What a write of the control register puts on the bus for a control value: its low byte, except
// that all ones (what an empty bus reads back) is never written back as such.
inline constexpr std::uint32_t controlOnBus(std::uint32_t value) {
    const std::uint32_t byte = value & 0xFFu;
    return byte == 0xFFu ? 0 : byte;
}
// The byte offset in the window of device address a.
inline constexpr std::uint32_t deviceByteOffset(std::uint32_t a) {
    return (a | (kDeviceSpace >> 2)) << 2;
}
} // namespace driver_protocol

// One store of a sequence handed to DriverChannel::storeSequence.
struct WindowStore {
    std::uint32_t byteOffset;
    std::uint32_t value;
};

// A column access through the row map, as the board layer makes it for the rows of one column: the
// byte offsets of the control register and of the column's state word, and the map words' stores.
struct MappedColumnAccess {
    std::uint32_t control = 0;
    WindowStore map[4] = {};
    std::uint32_t mapWords = 0; // at most 4
    std::uint32_t column = 0;

    // The stores that write the row map once the control register read c: control with the 32-bit
    // bus selected, the map words, c stored back. Returns how many of out's 6 it filled.
    std::size_t rowMapStores(std::uint32_t c, WindowStore (&out)[6]) const {
        std::size_t n = 0;
        out[n++] = {control, driver_protocol::controlOnBus((c & 0xFBu) | 8u)};
        for (std::uint32_t i = 0; i < mapWords && i < 4; ++i)
            out[n++] = map[i];
        out[n++] = {control, driver_protocol::controlOnBus(c)};
        return n;
    }
};

class DriverChannel {
public:
    virtual ~DriverChannel() = default;

    // Whether the platform can reach a driver of this kind at all (the old virtual-driver probe).
    // When false, BoardDriver reports error 1 without calling open().
    virtual bool available() const = 0;

    // Opens the driver; false when it cannot be opened (BoardDriver then reports error 1).
    virtual bool open() = 0;

    // One control call with no input buffer. Writes at most outSize bytes to out (out may be null when
    // outSize is 0), sets bytesReturned, and returns whether the driver reported success.
    // Codes: 0 initialise (a working driver reports failure), 4 close, 5 the 148-byte PCI configuration
    // data, 6 the 4-byte linear address of the memory window.
    virtual bool control(std::uint32_t code, void* out, std::uint32_t outSize,
                         std::uint32_t& bytesReturned) = 0;

    // Closes the driver handle; control code 4 has been sent before.
    virtual void close() = 0;

    // 32-bit load and store at a byte offset of the memory window. Device space is reached at multiples
    // of 4; SRAM also at unaligned offsets, which the SRAM size probe uses.
    virtual std::uint32_t load(std::uint32_t byteOffset) = 0;
    virtual void store(std::uint32_t byteOffset, std::uint32_t value) = 0;

    // Word copies between the window and memory; the defaults go word by word through load/store.
    virtual void loadBlock(std::uint32_t byteOffset, std::uint32_t* dest, std::size_t words) {
        for (std::size_t i = 0; i < words; ++i)
            dest[i] = load(byteOffset + static_cast<std::uint32_t>(4 * i));
    }
    virtual void storeBlock(std::uint32_t byteOffset, const std::uint32_t* src, std::size_t words) {
        for (std::size_t i = 0; i < words; ++i)
            store(byteOffset + static_cast<std::uint32_t>(4 * i), src[i]);
    }

    // Stores at any offsets, in the order given: the same as store() for each in turn, in one call. The
    // board layer's register sequences (control, map words, control) go through here.
    virtual void storeSequence(const WindowStore* stores, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            store(stores[i].byteOffset, stores[i].value);
    }

    // One 32-bit output to an absolute I/O port (the board's port base plus an offset).
    virtual void portOut(std::uint16_t port, std::uint32_t value) = 0;

    // Whether the board stopped answering while in use (its window went away: the device was
    // unplugged or unbound, its file shrank). Once lost, loads give 0xFFFFFFFF and stores are dropped;
    // lostReason() says why, with the file's path.
    virtual bool lost() const { return false; }
    virtual std::string lostReason() const { return {}; }

    // The row map written: the control register loaded, then stored with the 32-bit bus selected,
    // the map words, and the loaded control value stored back, as one storeSequence.
    void storeRowMap(const MappedColumnAccess& access) {
        WindowStore stores[6];
        storeSequence(stores, access.rowMapStores(load(access.control), stores));
    }
    // storeRowMap, then the column word stored or loaded: the accesses of every read and write of a
    // run's cycles. A channel may override them to do the same in one step.
    virtual void storeMappedColumn(const MappedColumnAccess& access, std::uint32_t value) {
        storeRowMap(access);
        store(access.column, value);
    }
    virtual std::uint32_t loadMappedColumn(const MappedColumnAccess& access) {
        storeRowMap(access);
        return load(access.column);
    }
};

} // namespace cellwatch
