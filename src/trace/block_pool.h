#pragma once
// Memory for the trace store's resident blocks: one region reserved up front (address space only),
// handed out block by block and backed by large pages where the system offers them, so that filling
// new blocks does not stop at every 4 KiB page for the kernel to map it. Blocks beyond the region,
// or all of them when it cannot be reserved, come from the heap.

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace cellwatch {

class JobThread;

class BlockPool {
public:
    BlockPool(std::size_t blockBytes, std::size_t blocks);
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // A block of blockBytes bytes, aligned for any record; null when the pool has none left.
    void* take();
    // Takes a block back; false (and nothing done) when it is not one of the pool's.
    bool give(void* block);

    // From now on a thread of the pool's own has the region's memory mapped a few megabytes ahead of
    // the blocks handed out, so that the one who fills them does not wait for the kernel to clear
    // each new page. Only where the system can be asked for that; otherwise nothing changes.
    void prepareAhead();

private:
    bool reserve();
    // Hands m_preparer the large pages below bytes that it was not given yet.
    void prepareUpTo(std::size_t bytes);

    std::size_t m_blockBytes;
    std::size_t m_blocks;
    void* m_mapping = nullptr; // what mmap gave, m_mappingBytes long; the region starts inside it
    std::size_t m_mappingBytes = 0;
    char* m_base = nullptr;
    std::size_t m_bytes = 0;
    bool m_tried = false;
    bool m_prepare = false;
    std::size_t m_fresh = 0;               // blocks [m_fresh, m_blocks) were never handed out
    std::vector<void*> m_given;            // blocks given back, for reuse
    std::size_t m_preparedTo = 0;          // the region below this was handed to m_preparer
    bool m_prepareRefused = false;         // the system cannot prepare memory: m_preparer's jobs stop
    std::unique_ptr<JobThread> m_preparer; // last: stopped before the region goes
};

// Deleter of a block that came from pool, or from operator new[] when the pool had none.
struct ReturnToPool {
    BlockPool* pool = nullptr;
    void operator()(void* block) const {
        if (pool == nullptr || !pool->give(block))
            ::operator delete[](block);
    }
};

} // namespace cellwatch
