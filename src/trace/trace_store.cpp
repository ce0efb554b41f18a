#include "trace/trace_store.h"

#include "common/job_thread.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace cellwatch {
namespace {

std::string cachePathIn(const std::string& folder) {
    if (folder.empty())
        return "cache.dat";
    return folder.back() == '/' ? folder + "cache.dat" : folder + "/cache.dat";
}

} // namespace

// Write-behind: each queued block is a job of a thread of its own, which writes the blocks in order.
// After a failed write the jobs behind it write nothing, until the store has dealt with the failure.
struct TraceStore::WriteBehind {
    WriteBehind(CacheFile& file, std::size_t written) : file(file), written(written) {}

    CacheFile& file;
    // Set by the jobs; the store reads them once it has waited for the jobs concerned.
    std::size_t written; // blocks [0, written) are on file
    bool failed = false;
    std::int64_t jobOffset = 0; // the job that writes block b has the number b + jobOffset
    JobThread thread;           // last: stopped before the rest goes
};

TraceStore::TraceStore(const std::string& folder)
    : TraceStore(folder, makePosixCacheFile(), makeSystemMemoryProbe()) {}

TraceStore::TraceStore(const std::string& folder, std::unique_ptr<CacheFile> file,
                       std::unique_ptr<MemoryProbe> memory)
    : m_path(cachePathIn(folder)), m_file(std::move(file)), m_memory(std::move(memory)) {
    // A file that cannot be opened now is retried before the first block write.
    m_file->open(m_path);
    startEmpty();
}

TraceStore::~TraceStore() {
    if (m_follower)
        m_follower->storeEmptied();
    stopWriter();
    dropFileContents();
    m_file->close();
    m_file->remove(m_path);
}

void TraceStore::dropFileContents() {
    // Emptied before it is closed: a file system may otherwise flush a file that was once truncated
    // to the disk at its close, only for the blocks to be freed again at once.
    if (m_file->isOpen() && (m_written > 0 || m_queued > 0))
        m_file->truncate(0);
}

void TraceStore::setWriteBehind(bool on) {
    if (!on)
        stopWriter();
    m_writeBehind = on;
    // The same runs fill blocks fast: their memory is made ready ahead of them, off this thread.
    if (on)
        m_pool.prepareAhead();
}

void TraceStore::stopWriter() {
    if (!m_writer)
        return;
    // Blocks still queued need not reach the file: whoever stops the writer empties it or writes them itself.
    m_writer->thread.stop();
    m_written = m_writer->written;
    m_writer.reset();
    m_queued = m_written;
}

void TraceStore::reset() {
    if (m_follower) {
        m_follower->storeEmptied();
        m_follower = nullptr;
    }
    stopWriter();
    m_blocks.clear();
    m_spare.reset();
    dropFileContents();
    m_file->close();
    m_file->open(m_path);
    startEmpty();
}

void TraceStore::startEmpty() {
    // Shared by every store of the process: a replaced store never repeats its predecessor's value.
    static std::atomic<std::uint64_t> generations{0};
    m_generation = ++generations;
    m_blocks.clear();
    m_tailRecords = nullptr;
    m_tailCount = kRecordsPerBlock;
    m_total = 0;
    m_resident = 0;
    m_written = 0;
    m_queued = 0;
    m_scanFrom = 0;
    addBlock();
}

bool TraceStore::appendSlow(const TraceRecord& record) {
    // The count is 32 bits wide; wrapping it would make every index ambiguous.
    if (m_total == UINT32_MAX)
        return false;
    if (m_tailCount == kRecordsPerBlock && !addBlock())
        return false;
    m_tailRecords[m_tailCount++] = record;
    ++m_total;
    if (record.isLogLine())
        ++m_tailLines;
    return true;
}

bool TraceStore::get(std::uint32_t index, TraceRecord& out) {
    if (index >= m_total)
        return false;
    const std::size_t block = index / kRecordsPerBlock;
    if (!m_blocks[block]) {
        releaseOne(); // making room is best effort; the load below decides
        if (!loadBlock(block))
            return false;
    }
    out = m_blocks[block][index % kRecordsPerBlock];
    return true;
}

std::span<const TraceRecord> TraceStore::recordsFrom(std::uint32_t index) {
    if (index >= m_total)
        return {};
    const std::size_t block = index / kRecordsPerBlock;
    if (!m_blocks[block]) {
        releaseOne();
        if (!loadBlock(block))
            return {};
    }
    const std::uint32_t first = index % kRecordsPerBlock;
    const std::uint32_t blockEnd = block + 1 == m_blocks.size() ? m_tailCount : kRecordsPerBlock;
    return {m_blocks[block].get() + first, blockEnd - first};
}

bool TraceStore::addBlock() {
    if (m_follower && !m_blocks.empty() && m_announced < m_blocks.size()) {
        const std::size_t full = m_blocks.size() - 1;
        m_follower->blockFilled(full, {m_blocks[full].get(), kRecordsPerBlock}, m_tailLines);
        m_announced = m_blocks.size();
    }
    // At the cap a block is released below anyway, and the new one takes its memory: the low-memory
    // rule would change nothing, so the system is not asked.
    std::uint64_t available = 0;
    if (m_total > 0 && m_memory && m_resident < kMaxResidentBlocks && m_memory->availableBytes(available) &&
        available < kLowMemoryBytes) {
        if (!releaseOne())
            return false;
    }
    if (m_resident >= kMaxResidentBlocks && !releaseOne())
        return false;

    RecordArray records = allocate();
    if (!records)
        return false;
    m_tailRecords = records.get();
    m_tailCount = 0;
    m_tailLines = 0;
    m_blocks.push_back(std::move(records));
    ++m_resident;
    return true;
}

bool TraceStore::releaseOne() {
    if (m_blocks.empty())
        return true;
    if (!writePending())
        return false;
    // Only written blocks below the tail may go; they form the prefix [0, m_written) (with
    // write-behind, [0, m_queued) once the writer has got that far).
    const std::size_t end = std::min(m_writer ? m_queued : m_written, m_blocks.size() - 1);
    std::size_t i = m_scanFrom;
    while (i < end && !m_blocks[i])
        ++i;
    m_scanFrom = i;
    if (i < end && m_writer && !waitWritten(i))
        return false;
    if (i < end) {
        if (m_follower && i < m_announced)
            m_follower->blockLeaving(i);
        recycle(std::move(m_blocks[i]));
        --m_resident;
        m_scanFrom = i + 1;
    }
    return true;
}

bool TraceStore::writePending() {
    if (m_writeBehind) {
        const std::size_t stop = std::min(m_queued + kWriteBatchBlocks, m_blocks.size() - 1);
        if (m_queued == stop)
            return true;
        if (!m_writer) {
            // Nothing is on file yet, so a retried open (which truncates) loses nothing.
            if (!m_file->isOpen() && m_queued == 0)
                m_file->open(m_path);
            m_writer = std::make_unique<WriteBehind>(*m_file, m_written);
        }
        WriteBehind& writer = *m_writer;
        for (; m_queued < stop; ++m_queued) {
            const std::size_t block = m_queued;
            const TraceRecord* records = m_blocks[block].get();
            const std::uint64_t job = writer.thread.post([&writer, block, records](std::stop_token) {
                if (writer.failed)
                    return;
                const std::uint64_t offset = static_cast<std::uint64_t>(block) * kBlockBytes;
                if (block == writer.written &&
                    writer.file.writeAt(offset, records, kBlockBytes) == kBlockBytes)
                    writer.written = block + 1;
                else
                    writer.failed = true;
            });
            writer.jobOffset = static_cast<std::int64_t>(job) - static_cast<std::int64_t>(block);
        }
        return true;
    }
    const std::size_t stop = std::min(m_written + kWriteBatchBlocks, m_blocks.size() - 1);
    while (m_written < stop) {
        if (!writeBlock(m_written))
            return false;
        ++m_written;
    }
    return true;
}

bool TraceStore::writeBlock(std::size_t block) {
    // Nothing is on file yet, so a retried open (which truncates) loses nothing.
    if (!m_file->isOpen() && m_written == 0)
        m_file->open(m_path);
    const std::uint64_t offset = static_cast<std::uint64_t>(block) * kBlockBytes;
    const std::size_t stored = m_file->writeAt(offset, m_blocks[block].get(), kBlockBytes);
    if (stored == kBlockBytes)
        return true;
    // Cut off whatever part of the block did land, so that the file keeps holding only whole blocks
    // and gives the space back; the block stays resident and unwritten for the next attempt.
    m_file->truncate(offset);
    return false;
}

bool TraceStore::waitWritten(std::size_t block) {
    if (block < m_written)
        return true; // on file already, perhaps through an earlier writer or none
    WriteBehind& writer = *m_writer;
    writer.thread.waitFor(static_cast<std::uint64_t>(static_cast<std::int64_t>(block) + writer.jobOffset));
    m_written = writer.written;
    if (m_written > block)
        return true;
    // As a write of the store's own: the file keeps whole blocks only, and the block that failed
    // (with the ones queued after it, which write nothing) stays resident and is written again
    // next time.
    writer.thread.waitIdle();
    m_file->truncate(static_cast<std::uint64_t>(m_written) * kBlockBytes);
    writer.failed = false;
    m_queued = m_written;
    return false;
}

bool TraceStore::loadBlock(std::size_t block) {
    RecordArray records = allocate();
    if (!records)
        return false;
    const std::uint64_t offset = static_cast<std::uint64_t>(block) * kBlockBytes;
    if (m_file->readAt(offset, records.get(), kBlockBytes) != kBlockBytes) {
        recycle(std::move(records));
        return false;
    }
    m_blocks[block] = std::move(records);
    ++m_resident;
    m_scanFrom = std::min(m_scanFrom, block);
    return true;
}

TraceStore::RecordArray TraceStore::allocate() {
    if (m_spare)
        return std::move(m_spare);
    void* memory = m_pool.take();
    if (memory == nullptr)
        memory = ::operator new[](kBlockBytes, std::nothrow);
    return RecordArray(static_cast<TraceRecord*>(memory), ReturnToPool{&m_pool});
}

void TraceStore::recycle(RecordArray records) {
    if (!m_spare)
        m_spare = std::move(records);
}

} // namespace cellwatch
