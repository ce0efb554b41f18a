#include "trace/block_pool.h"

#include <cstdint>
#include <sys/mman.h>

namespace cellwatch {

BlockPool::~BlockPool() {
    if (m_base != nullptr)
        ::munmap(m_base, m_bytes);
}

bool BlockPool::reserve() {
    m_tried = true;
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    m_bytes = (m_blockBytes * m_blocks + kLargePage - 1) / kLargePage * kLargePage;
    void* base = ::mmap(nullptr, m_bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED)
        return false;
    // Only a hint: without large pages the region works as it is.
    ::madvise(base, m_bytes, MADV_HUGEPAGE);
    m_base = static_cast<char*>(base);
    return true;
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
    return m_base + m_blockBytes * m_fresh++;
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
