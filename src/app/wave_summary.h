#pragma once
// What the waveform view knows of each traced component without reading the trace store: per block
// of stamps (the log's cycle numbers) the value at the block's first stamp, the value at its last,
// and whether the value changes inside it, at a few levels of block size. It is built as records are
// appended (extended from where it stopped, like the log's checkpoint index) and dropped when the
// store is emptied, so a zoomed-out paint costs the pixels it draws and not the length of the trace.

#include <cstdint>
#include <vector>

namespace cellwatch {

class CWizDoc;
class TraceStore;

class WaveSummary {
public:
    // One block of stamps of one component.
    struct Span {
        std::int32_t first = 0; // the value at the block's first stamp
        std::int32_t last = 0;  // the value at its last stamp
        bool known = false;     // the component had been sampled by then
        bool changed = false;   // the value changes at a stamp after the block's first
        bool operator==(const Span&) const = default;
    };

    static constexpr std::uint32_t kLevelFactor = 8;
    static constexpr int kLevels = 7;

    // blockStamps: stamps per block at level 0 (level k holds blockStamps * 8^k).
    explicit WaveSummary(std::uint32_t blockStamps = 64) : m_block(blockStamps) {}

    // Brings the summary up to the end of the session's store; starts again when the store was
    // emptied or the stamp divisor changed (the software clock was traced or dropped).
    void extend(const CWizDoc& doc);
    // As extend, over a store whose sample handles are lanes + 1.
    void extend(const TraceStore& store, std::uint32_t divisor);
    // One sample, in stamp order (the store's walk; benchmarks feed it directly).
    void add(std::uint32_t handle, std::uint64_t stamp, std::int32_t value, std::uint32_t record);
    void drop();

    std::uint32_t blockStamps(int level) const;
    // The span of block index at that level for a component's handle.
    Span span(std::uint32_t handle, int level, std::uint64_t index);
    // The first record whose stamp is at or after block index of level 0; the store's count past the end.
    std::uint32_t recordOfBlock(std::uint64_t index) const;
    // Stamps seen: one more than the newest, 0 while there are none.
    std::uint64_t stampCount() const { return m_haveStamp ? m_lastStamp + 1 : 0; }
    std::uint32_t divisor() const { return m_divisor; }
    std::uint32_t frontier() const { return m_frontier; }

private:
    struct Lane {
        std::vector<Span> levels[kLevels];
        std::int32_t current = 0;
        bool known = false;
    };
    Lane& lane(std::uint32_t handle);

    std::uint32_t m_block;
    std::uint64_t m_generation = 0;
    std::uint32_t m_divisor = 10;
    std::uint32_t m_frontier = 0;
    std::uint64_t m_lastStamp = 0;
    bool m_haveStamp = false;
    std::vector<Lane> m_lanes;            // by handle - 1
    std::vector<std::uint32_t> m_records; // by level-0 block
};

} // namespace cellwatch
