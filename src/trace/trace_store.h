#pragma once
// The session's time-ordered record of samples and log lines. Records live in blocks of 5000; full
// blocks are written to a scratch file "cache.dat" in the folder the store is given and dropped from
// memory under a cap of 200 resident blocks or when the machine runs short of memory, then loaded
// back when a reader reaches them.

#include "trace/block_pool.h"
#include "trace/cache_file.h"
#include "trace/memory_probe.h"
#include "trace/trace_record.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cellwatch {

// Someone who reads the store's full blocks while the store goes on growing, possibly on another
// thread (a batch run writing its outputs during the run). The store calls it from its own thread.
class TraceStoreFollower {
public:
    virtual ~TraceStoreFollower() = default;
    // Block number block has its last record, logLines of them log-line records: the records stay
    // where they are, unchanged, until blockLeaving(block) or storeEmptied() returns.
    virtual void blockFilled(std::size_t block, std::span<const TraceRecord> records, std::size_t logLines) = 0;
    // The block's memory is about to be freed or reused; return once it is no longer read.
    virtual void blockLeaving(std::size_t block) = 0;
    // Every block is about to go (reset or destruction); the store forgets its follower afterwards.
    virtual void storeEmptied() = 0;
};

class TraceStore {
public:
    static constexpr std::uint32_t kRecordsPerBlock = 5000;
    static constexpr std::size_t kBlockBytes = kRecordsPerBlock * sizeof(TraceRecord);
    static constexpr std::size_t kMaxResidentBlocks = 200;
    static constexpr std::uint64_t kLowMemoryBytes = 3u * 1024u * 1024u;
    static constexpr std::size_t kWriteBatchBlocks = 10;

    // Keeps "cache.dat" in folder (which must exist and should be private to this process), using the
    // POSIX file layer and the system's memory figure.
    explicit TraceStore(const std::string& folder);
    // The same over a given file layer and memory probe (a null probe disables the low-memory rule).
    TraceStore(const std::string& folder, std::unique_ptr<CacheFile> file,
               std::unique_ptr<MemoryProbe> memory);
    ~TraceStore();

    TraceStore(const TraceStore&) = delete;
    TraceStore& operator=(const TraceStore&) = delete;

    // Adds one record at the end. False when the record could not be stored: a new block was needed
    // and memory or the cache file gave no room. Earlier records stay readable either way.
    bool append(const TraceRecord& record) {
        if (m_tailCount == kRecordsPerBlock || m_total == UINT32_MAX) [[unlikely]]
            return appendSlow(record);
        m_tailRecords[m_tailCount++] = record;
        ++m_total;
        if (record.isLogLine())
            ++m_tailLines;
        return true;
    }
    // append() of a sample record, its fields written straight into the block: the run's sampling
    // loop adds millions, and a record put together first and then copied whole makes the processor
    // wait for the parts to land before it can read them back.
    bool appendSample(TraceHandle component, std::int32_t value, std::uint32_t time) {
        const std::uint32_t count = m_tailCount;
        if (count == kRecordsPerBlock || m_total == UINT32_MAX) [[unlikely]]
            return appendSlow(TraceRecord{component, value, time, kNoTraceHandle});
        TraceRecord* slot = m_tailRecords + count;
        slot->component = component;
        slot->value = value;
        slot->time = time;
        slot->line = kNoTraceHandle;
        m_tailCount = count + 1;
        ++m_total;
        return true;
    }

    // Copies record number index to out. False when index >= count(), and for every record of a
    // block that cannot be read back from the cache file (out is then left alone).
    bool get(std::uint32_t index, TraceRecord& out);

    // Record index and the records after it up to the end of its block, for readers that walk the
    // whole store: empty when index >= count() or when the block cannot be read back. The span stays
    // valid until the next call that appends, reads or resets.
    std::span<const TraceRecord> recordsFrom(std::uint32_t index);

    // Reading is logically const: a block may come back from the cache file (and another make room
    // for it), but no record changes. Readers that must not append or reset hold a const store.
    bool get(std::uint32_t index, TraceRecord& out) const {
        return const_cast<TraceStore*>(this)->get(index, out);
    }
    std::span<const TraceRecord> recordsFrom(std::uint32_t index) const {
        return const_cast<TraceStore*>(this)->recordsFrom(index);
    }

    std::uint32_t count() const { return m_total; }
    // Changes each time the store starts empty (made or reset), and no two stores share a value, so
    // a reader that indexes the records can tell that its index belongs to contents now gone.
    std::uint64_t generation() const { return m_generation; }

    // Empties the store and truncates the cache file.
    void reset();

    // With write-behind on, blocks the cap sends to the cache file are written by a thread of the
    // store's own while records go on being appended; a block's memory is reused only once it is on
    // file, and a failed write shows at the next block that needs room, as before. The blocks'
    // memory is then also made ready ahead of them (BlockPool::prepareAhead). Off by default.
    void setWriteBehind(bool on);

    // Tells follower of every block that fills from now on, starting with the tail (null: nobody).
    // Blocks below the tail are not announced. The follower must outlive its place here or leave it first.
    void setFollower(TraceStoreFollower* follower) {
        m_follower = follower;
        m_announced = m_blocks.empty() ? 0 : m_blocks.size() - 1;
    }

    // Inspection, for status displays and tests.
    const std::string& cachePath() const { return m_path; }
    std::size_t blockCount() const { return m_blocks.size(); }
    std::size_t residentBlocks() const { return m_resident; }
    std::size_t writtenBlocks() const { return m_written; }
    bool isBlockResident(std::size_t block) const {
        return block < m_blocks.size() && m_blocks[block] != nullptr;
    }

private:
    struct WriteBehind;
    // Raw storage from the pool (or the heap once it is used up): a block's records are written
    // before they are read, so zeroing them first would only cost time.
    using RecordArray = std::unique_ptr<TraceRecord[], ReturnToPool>;

    bool appendSlow(const TraceRecord& record);
    bool addBlock();
    bool releaseOne();
    bool writePending();
    bool writeBlock(std::size_t block);
    // Write-behind: waits until block is on file; false (with the failed block cut off the file and
    // queued again next time) when a write failed first.
    bool waitWritten(std::size_t block);
    void stopWriter();
    bool loadBlock(std::size_t block);
    RecordArray allocate();
    void recycle(RecordArray records);
    void startEmpty();
    void dropFileContents();

    std::string m_path;
    std::unique_ptr<CacheFile> m_file;
    std::unique_ptr<MemoryProbe> m_memory;
    BlockPool m_pool{kBlockBytes, kMaxResidentBlocks + 2}; // before the blocks, which go back to it

    // One entry per block in index order; null while the block is not resident. The last is the tail.
    std::vector<RecordArray> m_blocks;
    TraceRecord* m_tailRecords = nullptr;
    std::uint32_t m_tailCount = kRecordsPerBlock; // "full" until a first block exists
    std::uint32_t m_tailLines = 0;                // log-line records in the tail block
    std::uint32_t m_total = 0;
    std::uint64_t m_generation = 0;
    std::size_t m_resident = 0;
    std::size_t m_written = 0;  // blocks are written in order, once each: [0, m_written) are on file
    std::size_t m_queued = 0;   // [0, m_queued) are on file or on their way there (write-behind)
    bool m_writeBehind = false;
    std::unique_ptr<WriteBehind> m_writer;
    std::size_t m_scanFrom = 0; // no block below this one is resident
    RecordArray m_spare;        // one freed array kept for the next block, to spare the allocator
    TraceStoreFollower* m_follower = nullptr;
    std::size_t m_announced = 0; // blocks below this one were announced to the follower (or not followed)
};

} // namespace cellwatch
