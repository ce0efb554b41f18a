#include "trace/block_pool.h"

#include "common/background_thread.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <thread>

namespace cellwatch {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
// How far ahead of the last block handed out the memory is made ready.
constexpr std::size_t kAhead = 2 * kLargePage;

} // namespace

// Maps the region's pages up to the mark the pool sets, a large page at a time, and stops for good
// at the first refusal (a system without MADV_POPULATE_WRITE) or when the pool goes.
class BlockPool::Preparer {
public:
    Preparer(char* base, std::size_t bytes) : m_base(base), m_bytes(bytes), m_thread([this] { run(); }) {}
    ~Preparer() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_work.notify_one();
        m_thread.join();
    }
    // Everything below bytes should be ready.
    void want(std::size_t bytes) {
        // Raised a large page at a time: the thread is woken once per page, not once per block.
        bytes = std::min((bytes + kLargePage - 1) / kLargePage * kLargePage, m_bytes);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (bytes <= m_wanted)
                return;
            m_wanted = bytes;
        }
        m_work.notify_one();
    }

private:
    void run() {
        YieldToTheRun();
        std::size_t done = 0;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_work.wait(lock, [&] { return m_stop || m_wanted > done; });
            if (m_stop)
                return;
            const std::size_t end = std::min(done + kLargePage, m_bytes);
            lock.unlock();
            bool mapped = false;
#ifdef MADV_POPULATE_WRITE
            // Leaves what is already there as it is: blocks being filled meanwhile are not disturbed.
            mapped = ::madvise(m_base + done, end - done, MADV_POPULATE_WRITE) == 0;
#endif
            lock.lock();
            if (!mapped)
                return;
            done = end;
        }
    }

    char* m_base;
    std::size_t m_bytes;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::size_t m_wanted = 0;
    bool m_stop = false;
    std::thread m_thread; // last: it starts once everything above exists
};

BlockPool::BlockPool(std::size_t blockBytes, std::size_t blocks) : m_blockBytes(blockBytes), m_blocks(blocks) {}

BlockPool::~BlockPool() {
    m_preparer.reset();
    if (m_mapping != nullptr)
        ::munmap(m_mapping, m_mappingBytes);
}

bool BlockPool::reserve() {
    m_tried = true;
    m_bytes = (m_blockBytes * m_blocks + kLargePage - 1) / kLargePage * kLargePage;
    // One large page more than needed, so that the region can start on a large-page boundary.
    m_mappingBytes = m_bytes + kLargePage;
    void* mapping = ::mmap(nullptr, m_mappingBytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED)
        return false;
    m_mapping = mapping;
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    m_base = reinterpret_cast<char*>((start + kLargePage - 1) / kLargePage * kLargePage);
    // Only a hint: without large pages the region works as it is.
    ::madvise(m_base, m_bytes, MADV_HUGEPAGE);
    if (m_prepare)
        m_preparer = std::make_unique<Preparer>(m_base, m_bytes);
    return true;
}

void BlockPool::prepareAhead() {
    m_prepare = true;
    if (m_base != nullptr && !m_preparer)
        m_preparer = std::make_unique<Preparer>(m_base, m_bytes);
    if (m_preparer)
        m_preparer->want(m_blockBytes * m_fresh + kAhead);
}

void* BlockPool::take() {
    if (!m_given.empty()) {
        void* block = m_given.back();
        m_given.pop_back();
        return block;
    }
    if (m_base == nullptr && (m_tried || !reserve()))
        return nullptr;
    if (m_fresh == m_blocks)
        return nullptr;
    void* block = m_base + m_blockBytes * m_fresh++;
    if (m_preparer)
        m_preparer->want(m_blockBytes * m_fresh + kAhead);
    return block;
}

bool BlockPool::give(void* block) {
    const auto p = reinterpret_cast<std::uintptr_t>(block);
    const auto base = reinterpret_cast<std::uintptr_t>(m_base);
    if (m_base == nullptr || p < base || p >= base + m_blockBytes * m_blocks)
        return false;
    m_given.push_back(block);
    return true;
}

} // namespace cellwatch
