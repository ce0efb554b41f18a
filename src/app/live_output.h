#pragma once
// A batch run's log and VCD, made while the run goes on: a thread per file (a JobThread) walks each
// block of the trace store as it fills, so that when the run ends the files are nearly written (and
// mostly on their way to the disk) instead of being started then. What it writes is exactly what the walk at
// the end would write; a run that changes what that walk depends on (the trace list and its radixes,
// the log's header lines, the store emptied) leaves the files unused, and the end walk writes them.

#include "app/log_walk.h"
#include "app/sample_rows.h"
#include "app/traced_component.h"
#include "app/trace_outputs.h"
#include "common/atomic_file.h"
#include "common/job_thread.h"
#include "trace/trace_store.h"
#include "trace/vcd_writer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cellwatch {

class DesignElement;

// The part of the session a log walk reads, as the session holds it.
struct LogWalkInputs {
    const std::list<TracedComponent>& traceList;
    const std::vector<TracedComponent*>& componentTable; // handle - 1 -> entry
    const std::vector<std::string>& lines;               // the log's lines; handle - 1 -> text
    int radix;                                           // the session radix
    bool clockTraced;                                    // rows every half cycle
};

// Handle -> trace-list entry and its field in the rows: the same entries the session's componentOf
// finds. With copies, the slots name copies[field] instead of the entries themselves.
std::vector<LogWalkSlot> logWalkSlots(const std::list<TracedComponent>& traceList,
                                      const std::vector<TracedComponent*>& componentTable,
                                      std::vector<TracedComponent>* copies = nullptr);

class LiveOutput final : public TraceStoreFollower {
public:
    // Starts following store (which must still be in its first block) and opens the log, and the VCD
    // when vcdPath is not empty, both as regular files replaced at the end. Null when that cannot be
    // done; the end walk then does everything as before.
    static std::unique_ptr<LiveOutput> start(TraceStore& store, const LogWalkInputs& session,
                                             const std::string& logPath, const std::string& vcdPath,
                                             std::string vcdDate);
    // Unless committed, the files are dropped and the target files stay as they were.
    ~LiveOutput() override;
    LiveOutput(const LiveOutput&) = delete;
    LiveOutput& operator=(const LiveOutput&) = delete;

    // After the run, on the session's thread: walks the records still in the store's tail, waits for
    // the walk and checks that the session still gives the layout it started with. True when the
    // files hold what the end walk would write (unstored lines ending the log) and may be committed.
    bool finish(const LogWalkInputs& session, const std::vector<std::string>& unstoredLines);
    // Puts the log in place; false when it could not be written.
    bool commitLog();
    // Puts the VCD file in place; false when it could not be written.
    bool commitVcd();

    // TraceStoreFollower, called on the session's thread.
    void blockFilled(std::size_t block, std::span<const TraceRecord> records, std::size_t logLines) override;
    void blockLeaving(std::size_t block) override;
    void storeEmptied() override;

private:
    // What the walk's output depends on besides the records, field by field in list order.
    struct FieldLayout {
        const TracedComponent* entry;
        TraceHandle handle;
        bool handleIsEntry; // the component table names this entry under its handle
        const DesignElement* element;
        std::uint32_t size;
        int radix;
        std::string fullName;
        bool operator==(const FieldLayout&) const = default;
    };
    struct Layout {
        std::vector<FieldLayout> fields;
        int radix = 0;
        bool clockTraced = false;
        bool operator==(const Layout&) const = default;
    };
    // Records to walk, with the texts of their log lines taken on the session's thread (the walk
    // must not read the session's line list while it grows).
    struct Chunk {
        std::span<const TraceRecord> records;
        std::size_t block;                      // kNoBlock for the tail
        std::vector<std::optional<std::string>> lineTexts; // one per log-line record, in order
    };
    static constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);
    static constexpr std::size_t kBlocksPerWake = 8;

    // Counts each field's samples (up to 2) and notes fields a row showed before their first sample.
    struct Tap {
        LiveOutput& owner;
        void record(const TraceRecord& r) {
            // Once every field has two samples there is nothing more to count.
            if (owner.m_belowTwo == 0) [[likely]]
                return;
            if (r.isSample() && r.component < owner.m_slots.size() && owner.m_slots[r.component].component) {
                std::uint8_t& seen = owner.m_seen[owner.m_slots[r.component].field];
                if (seen == 0)
                    --owner.m_unseen;
                if (seen < 2 && ++seen == 2)
                    --owner.m_belowTwo;
            }
        }
    };
    struct Sink {
        LiveOutput& owner;
        LogFileSink<Tap>& file;
        void record(const TraceRecord& r) { file.record(r); }
        void line(std::string_view text) { file.line(text); }
        void row(std::string_view text) {
            if (owner.m_unseen != 0) [[unlikely]]
                owner.noteUnseenShown();
            file.row(text);
        }
    };

    LiveOutput(TraceStore& store, const LogWalkInputs& session);
    static Layout layoutOf(const LogWalkInputs& session);
    // logLines: how many of the records are log lines, when known (kUnknownLines otherwise).
    Chunk chunkOf(std::span<const TraceRecord> records, std::size_t block, std::size_t logLines) const;
    static constexpr std::size_t kUnknownLines = static_cast<std::size_t>(-1);
    // Gathers chunk; the chunks gathered go to the lanes a few blocks at a time (and with the tail).
    void push(Chunk chunk);
    void handOver();
    // The log's walk (lane 0) and the VCD's (lane 1), each on a thread of its own over the same chunks.
    void walkChunk(int lane, const Chunk& chunk);
    void noteUnseenShown();
    // Ends the walks: once every chunk gathered is walked (drain: true when they were), or after the
    // chunk under way.
    bool stop(bool drain);
    TraceStore* m_store; // null once the store has let go of its follower
    const std::vector<std::string>& m_lines;
    Layout m_layout;
    std::vector<TracedComponent> m_copies; // the walk's own entries, one per field
    std::vector<std::int32_t> m_startValues;
    std::vector<std::uint8_t> m_seen;
    std::size_t m_unseen = 0; // fields some record reaches that no record has reached yet
    std::size_t m_belowTwo = 0; // fields some record reaches that have had fewer than two samples
    bool m_unseenNoted = false;
    std::vector<std::uint8_t> m_unseenShown;
    std::vector<LogWalkSlot> m_slots;
    SampleRows m_rows;

    AtomicFile m_logFile;
    std::unique_ptr<VcdWriter> m_vcd;
    std::unique_ptr<VcdTraceSink> m_vcdSink;
    Tap m_tap{*this};
    LogFileSink<Tap> m_fileSink;
    Sink m_sink{*this, m_fileSink};
    LogWalk<Sink> m_walk;

    std::uint64_t m_nextRecord = 0; // the first record not yet handed to the walk
    bool m_stale = false;           // the store was emptied under the walk
    bool m_finished = false;

    std::vector<Chunk> m_gathered; // not handed to the lanes yet
    // The groups of chunks handed to the lanes, oldest first (the walked ones go when a block
    // leaves): blocks below end are in this group or an earlier one, which the lane's job[lane] walks.
    struct Handed {
        std::size_t end;
        std::uint64_t job[2];
    };
    std::deque<Handed> m_handed;
    std::unique_ptr<JobThread> m_lanes[2]; // last: stopped before what their jobs use goes
};

} // namespace cellwatch
