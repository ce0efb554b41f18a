#include "trace/block_pool.h"

#include "common/job_thread.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>

namespace cellwatch {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
// How far ahead of the last block handed out the memory is made ready.
constexpr std::size_t kAhead = 2 * kLargePage;

} // namespace

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
        m_preparer = std::make_unique<JobThread>();
    return true;
}

void BlockPool::prepareAhead() {
    m_prepare = true;
    if (m_base != nullptr && !m_preparer)
        m_preparer = std::make_unique<JobThread>();
    if (m_preparer)
        prepareUpTo(m_blockBytes * m_fresh + kAhead);
}

void BlockPool::prepareUpTo(std::size_t bytes) {
    // A large page at a time: the thread is handed one job per page, not one per block.
    bytes = std::min((bytes + kLargePage - 1) / kLargePage * kLargePage, m_bytes);
    for (; m_preparedTo < bytes; m_preparedTo += kLargePage) {
        char* const start = m_base + m_preparedTo;
        const std::size_t length = std::min(kLargePage, m_bytes - m_preparedTo);
        m_preparer->post([this, start, length](std::stop_token) {
            if (m_prepareRefused)
                return;
#ifdef MADV_POPULATE_WRITE
            // Leaves what is already there as it is: blocks being filled meanwhile are not disturbed.
            if (::madvise(start, length, MADV_POPULATE_WRITE) == 0)
                return;
#endif
            m_prepareRefused = true;
        });
    }
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
        prepareUpTo(m_blockBytes * m_fresh + kAhead);
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
