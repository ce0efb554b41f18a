#include "trace/trace_store.h"

#include "common/background_thread.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace cellwatch {
namespace {

std::string cachePathIn(const std::string& folder) {
    if (folder.empty())
        return "cache.dat";
    return folder.back() == '/' ? folder + "cache.dat" : folder + "/cache.dat";
}

} // namespace

// Writes queued blocks to the cache file, in order, on a thread of its own. After a failed write it
// writes nothing more until the store has dealt with the failure (restart()).
class TraceStore::BlockWriter {
public:
    explicit BlockWriter(CacheFile& file) : m_file(file), m_thread([this] { run(); }) {}
    ~BlockWriter() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_work.notify_all();
        m_thread.join();
    }

    // Blocks first, first + 1, ... whose records are records(block); one wake-up for all of them.
    template <class Records>
    void queue(std::size_t first, std::size_t end, Records&& records) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (std::size_t block = first; block < end; ++block)
                m_jobs.push_back(Job{block, records(block)});
        }
        m_work.notify_one();
    }
    // Waits until block is written or a write failed; the blocks written so far, in order, and the
    // block that failed (or none).
    std::size_t wait(std::size_t block, bool& failed) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [&] { return m_written > block || m_failed; });
        failed = m_failed && m_written <= block;
        return m_written;
    }
    // Drops what is queued and waits for the write in progress; the blocks written, in order.
    std::size_t drop() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_jobs.clear();
        m_done.wait(lock, [&] { return !m_busy; });
        return m_written;
    }
    // After a failure: everything from the failed block on is queued again by the store.
    void restart(std::size_t written) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.clear();
        m_failed = false;
        m_written = written;
    }

private:
    struct Job {
        std::size_t block;
        const TraceRecord* records;
    };

    void run() {
        YieldToTheRun();
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_work.wait(lock, [&] { return m_quit || (!m_jobs.empty() && !m_failed); });
            if (m_quit)
                return;
            const Job job = m_jobs.front();
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();
            const std::uint64_t offset = static_cast<std::uint64_t>(job.block) * kBlockBytes;
            const bool stored = m_file.writeAt(offset, job.records, kBlockBytes) == kBlockBytes;
            lock.lock();
            m_busy = false;
            if (stored && job.block == m_written)
                m_written = job.block + 1;
            else
                m_failed = true;
            m_done.notify_all();
        }
    }

    CacheFile& m_file;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_done;
    std::deque<Job> m_jobs;
    std::size_t m_written = 0;
    bool m_failed = false;
    bool m_busy = false;
    bool m_quit = false;
    std::thread m_thread; // last: it starts once everything above exists
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
    // Emptying a large file takes a while; a process about to end hands that over.
    constexpr std::size_t kHandOverBlocks = 200;
    if (m_releaseFileLater && m_file->isOpen() && std::max(m_written, m_queued) >= kHandOverBlocks &&
        m_file->closeAndRemoveInHelper(m_path))
        return;
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
    m_written = m_writer->drop();
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
            m_writer = std::make_unique<BlockWriter>(*m_file);
            m_writer->restart(m_written);
        }
        m_writer->queue(m_queued, stop, [this](std::size_t block) { return m_blocks[block].get(); });
        m_queued = stop;
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
    bool failed = false;
    m_written = m_writer->wait(block, failed);
    if (!failed)
        return true;
    // As a write of the store's own: the file keeps whole blocks only, and the block that failed
    // (with the ones queued after it) stays resident and is written again next time.
    m_file->truncate(static_cast<std::uint64_t>(m_written) * kBlockBytes);
    m_writer->restart(m_written);
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
