#pragma once
// A test double for the board's driver: answers control codes as a test scripts them, keeps the memory
// window in a map, and records every store, load and port write in order.

#include "board/driver_channel.h"
#include "board/millisecond_clock.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace cellwatch::test {

// A clock that moves one millisecond each time it is read.
class SteppingClock final : public MillisecondClock {
public:
    std::uint64_t milliseconds() override { return m_now++; }
    std::uint64_t peek() const { return m_now; }

private:
    std::uint64_t m_now = 1000;
};

struct ChannelEvent {
    enum Kind { Store, Load, Port, Control, Open, Close } kind;
    std::uint32_t where; // byte offset, port or control code
    std::uint32_t value;
    std::uint64_t time; // the stepping clock's reading, when one is attached
};

// What the recording channel answers; tests change it before the BoardDriver is made.
struct ChannelScript {
    bool available = true;
    bool opens = true;
    bool initialiseSucceeds = false; // a working driver reports failure for code 0
    std::array<std::uint8_t, 148> pci{};
    std::uint32_t window = 0x12340000;

    ChannelScript() { setIoBase(0xE001); }
    void setIoBase(std::uint16_t v) {
        pci[20] = static_cast<std::uint8_t>(v);
        pci[21] = static_cast<std::uint8_t>(v >> 8);
    }
    void setMemoryBase(std::uint32_t v) { std::memcpy(&pci[16], &v, 4); }
};

class RecordingChannel final : public DriverChannel {
public:
    explicit RecordingChannel(ChannelScript script = {}, std::vector<ChannelEvent>* log = nullptr,
                              const SteppingClock* clock = nullptr)
        : m_script(script), m_log(log ? log : &m_ownLog), m_clock(clock) {}

    bool available() const override { return m_script.available; }
    bool open() override {
        record(ChannelEvent::Open, 0, 0);
        return m_script.opens;
    }
    bool control(std::uint32_t code, void* out, std::uint32_t outSize,
                 std::uint32_t& bytesReturned) override {
        record(ChannelEvent::Control, code, outSize);
        bytesReturned = 0;
        if (code == 0)
            return m_script.initialiseSucceeds;
        if (code == 5 && out && outSize >= m_script.pci.size()) {
            std::memcpy(out, m_script.pci.data(), m_script.pci.size());
            bytesReturned = static_cast<std::uint32_t>(m_script.pci.size());
        } else if (code == 6 && out && outSize >= 4) {
            std::memcpy(out, &m_script.window, 4);
            bytesReturned = 4;
        }
        return true;
    }
    void close() override { record(ChannelEvent::Close, 0, 0); }
    std::uint32_t load(std::uint32_t byteOffset) override {
        auto it = m_memory.find(byteOffset);
        const std::uint32_t v = it == m_memory.end() ? 0 : it->second;
        record(ChannelEvent::Load, byteOffset, v);
        return v;
    }
    void store(std::uint32_t byteOffset, std::uint32_t value) override {
        record(ChannelEvent::Store, byteOffset, value);
        if (!m_readOnly.count(byteOffset))
            m_memory[byteOffset] = value;
    }
    void portOut(std::uint16_t port, std::uint32_t value) override {
        record(ChannelEvent::Port, port, value);
    }

    // Presets a window word without recording it; a read-only word ignores stores (a bus with no memory).
    void poke(std::uint32_t byteOffset, std::uint32_t value) { m_memory[byteOffset] = value; }
    void makeReadOnly(std::uint32_t byteOffset) { m_readOnly.insert(byteOffset); }
    std::vector<ChannelEvent>& events() { return *m_log; }

private:
    void record(ChannelEvent::Kind kind, std::uint32_t where, std::uint32_t value) {
        m_log->push_back({kind, where, value, m_clock ? m_clock->peek() : 0});
    }

    ChannelScript m_script;
    std::vector<ChannelEvent> m_ownLog;
    std::vector<ChannelEvent>* m_log;
    const SteppingClock* m_clock;
    std::map<std::uint32_t, std::uint32_t> m_memory;
    std::set<std::uint32_t> m_readOnly;
};

} // namespace cellwatch::test
