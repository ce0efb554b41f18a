#include "trace/trace_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace cellwatch;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kBlock = TraceStore::kBlockBytes;

// What the fake file layer saw and how it misbehaves; shared with the test after the store owns it.
struct FileState {
    std::vector<char> bytes;
    bool open = false;
    bool failOpen = false;
    std::uint64_t capacity = UINT64_MAX; // the disk: writes beyond it store nothing
    std::set<std::uint64_t> unreadable;  // offsets whose reads fail
    std::vector<std::uint64_t> writes;   // offsets of every write, in order
    std::vector<std::uint64_t> reads;
    int opens = 0;
    bool removed = false;
};

class FakeFile final : public CacheFile {
public:
    explicit FakeFile(std::shared_ptr<FileState> s) : m_s(std::move(s)) {}
    bool open(const std::string&) override {
        ++m_s->opens;
        m_s->open = !m_s->failOpen;
        if (m_s->open)
            m_s->bytes.clear();
        return m_s->open;
    }
    bool isOpen() const override { return m_s->open; }
    std::size_t writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        if (!m_s->open)
            return 0;
        m_s->writes.push_back(offset);
        std::size_t n = offset >= m_s->capacity ? 0 : std::min<std::uint64_t>(size, m_s->capacity - offset);
        if (m_s->bytes.size() < offset + n)
            m_s->bytes.resize(offset + n);
        std::memcpy(m_s->bytes.data() + offset, data, n);
        return n;
    }
    std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
        if (!m_s->open)
            return 0;
        m_s->reads.push_back(offset);
        if (m_s->unreadable.count(offset) || offset >= m_s->bytes.size())
            return 0;
        std::size_t n = std::min<std::uint64_t>(size, m_s->bytes.size() - offset);
        std::memcpy(data, m_s->bytes.data() + offset, n);
        return n;
    }
    bool truncate(std::uint64_t size) override {
        m_s->bytes.resize(size);
        return true;
    }
    void close() override { m_s->open = false; }
    bool remove(const std::string&) override { return m_s->removed = true; }

private:
    std::shared_ptr<FileState> m_s;
};

// The fake for a store with write-behind, whose writes come from the store's own thread.
class LockedFile final : public CacheFile {
    template <class F>
    auto locked(F f) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f();
    }
    mutable std::mutex m_mutex;
    FakeFile m_file;

public:
    explicit LockedFile(std::shared_ptr<FileState> s) : m_file(std::move(s)) {}
    bool open(const std::string& path) override { return locked([&] { return m_file.open(path); }); }
    bool isOpen() const override { return locked([&] { return m_file.isOpen(); }); }
    std::size_t writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        return locked([&] { return m_file.writeAt(offset, data, size); });
    }
    std::size_t readAt(std::uint64_t offset, void* data, std::size_t size) override {
        return locked([&] { return m_file.readAt(offset, data, size); });
    }
    bool truncate(std::uint64_t size) override { return locked([&] { return m_file.truncate(size); }); }
    void close() override { locked([&] { m_file.close(); }); }
    bool remove(const std::string& path) override { return locked([&] { return m_file.remove(path); }); }
};

class FakeMemory final : public MemoryProbe {
public:
    explicit FakeMemory(std::shared_ptr<std::uint64_t> bytes) : m_bytes(std::move(bytes)) {}
    bool availableBytes(std::uint64_t& bytes) override {
        bytes = *m_bytes;
        return true;
    }

private:
    std::shared_ptr<std::uint64_t> m_bytes;
};

// Every record says where it belongs, so a record read from the wrong place is caught.
TraceRecord recordFor(std::uint32_t i) {
    if (i % 7 == 3)
        return TraceRecord{kNoTraceHandle, 0, i * 10 + 1, i + 1};
    return TraceRecord{i % 32 + 1, static_cast<std::int32_t>(i ^ 0x5A5A5A5Au), i * 10, kNoTraceHandle};
}

bool sameRecord(const TraceRecord& a, const TraceRecord& b) {
    return a.component == b.component && a.value == b.value && a.time == b.time && a.line == b.line;
}

class TraceStoreTest : public ::testing::Test {
protected:
    std::shared_ptr<FileState> file = std::make_shared<FileState>();
    std::shared_ptr<std::uint64_t> memory = std::make_shared<std::uint64_t>(1ull << 34);
    std::unique_ptr<TraceStore> store = std::make_unique<TraceStore>(
        "/scratch", std::make_unique<FakeFile>(file), std::make_unique<FakeMemory>(memory));

    void fill(std::uint32_t from, std::uint32_t to) {
        for (std::uint32_t i = from; i < to; ++i)
            ASSERT_TRUE(store->append(recordFor(i))) << i;
    }
    void expectAllReadable() {
        TraceRecord r;
        for (std::uint32_t i = 0; i < store->count(); ++i) {
            ASSERT_TRUE(store->get(i, r)) << i;
            ASSERT_TRUE(sameRecord(r, recordFor(i))) << i;
        }
        EXPECT_FALSE(store->get(store->count(), r));
    }
};

TEST_F(TraceStoreTest, EmptyStoreHasNothingToRead) {
    TraceRecord r;
    EXPECT_EQ(store->count(), 0u);
    EXPECT_FALSE(store->get(0, r));
    EXPECT_EQ(store->blockCount(), 1u);
    EXPECT_EQ(store->cachePath(), "/scratch/cache.dat");
    EXPECT_EQ(file->opens, 1);
}

TEST_F(TraceStoreTest, BlockBoundaryAt5000And5001) {
    fill(0, 5000);
    EXPECT_EQ(store->blockCount(), 1u);
    TraceRecord r;
    EXPECT_FALSE(store->get(5000, r));
    fill(5000, 5001);
    EXPECT_EQ(store->blockCount(), 2u);
    ASSERT_TRUE(store->get(5000, r));
    EXPECT_TRUE(sameRecord(r, recordFor(5000)));
    ASSERT_TRUE(store->get(4999, r));
    EXPECT_TRUE(sameRecord(r, recordFor(4999)));
    EXPECT_FALSE(store->get(5001, r));
    EXPECT_TRUE(file->writes.empty());
}

TEST_F(TraceStoreTest, TailIsReadableWhilePartlyFilledWithoutTouchingTheFile) {
    fill(0, 123);
    TraceRecord r;
    ASSERT_TRUE(store->get(122, r));
    EXPECT_TRUE(sameRecord(r, recordFor(122)));
    fill(123, 124);
    ASSERT_TRUE(store->get(123, r));
    EXPECT_TRUE(file->reads.empty());
    EXPECT_TRUE(file->writes.empty());
}

TEST_F(TraceStoreTest, SpillsTenBlocksAtATimeOnceTheCapIsReached) {
    const std::uint32_t perBlock = TraceStore::kRecordsPerBlock;
    fill(0, 200 * perBlock);
    EXPECT_EQ(store->residentBlocks(), 200u);
    EXPECT_TRUE(file->writes.empty());

    fill(200 * perBlock, 200 * perBlock + 1); // block 200
    std::vector<std::uint64_t> expected;
    for (std::uint64_t k = 0; k < 10; ++k)
        expected.push_back(k * kBlock);
    EXPECT_EQ(file->writes, expected);
    EXPECT_FALSE(store->isBlockResident(0));
    EXPECT_TRUE(store->isBlockResident(1));
    EXPECT_EQ(store->residentBlocks(), 200u);

    fill(200 * perBlock + 1, 201 * perBlock + 1); // block 201: resumes at the first unwritten block
    for (std::uint64_t k = 10; k < 20; ++k)
        expected.push_back(k * kBlock);
    EXPECT_EQ(file->writes, expected);
    EXPECT_FALSE(store->isBlockResident(1));
    EXPECT_TRUE(store->isBlockResident(2));
    EXPECT_EQ(store->writtenBlocks(), 20u);
    EXPECT_EQ(file->bytes.size(), 20 * kBlock);

    // Reading a dropped block loads it from its own offset and drops the first other written block.
    TraceRecord r;
    ASSERT_TRUE(store->get(1, r));
    EXPECT_TRUE(sameRecord(r, recordFor(1)));
    EXPECT_EQ(file->reads, std::vector<std::uint64_t>{0});
    EXPECT_TRUE(store->isBlockResident(0));
    EXPECT_FALSE(store->isBlockResident(2));
    ASSERT_TRUE(store->get(perBlock + 4999, r)); // block 1, also dropped
    EXPECT_TRUE(sameRecord(r, recordFor(perBlock + 4999)));
    EXPECT_EQ(file->reads.back(), kBlock);

    expectAllReadable();
    EXPECT_LE(store->residentBlocks(), 201u);
}

TEST_F(TraceStoreTest, LowMemoryReleasesABlockPerNewBlock) {
    *memory = TraceStore::kLowMemoryBytes - 1;
    fill(0, 5 * TraceStore::kRecordsPerBlock + 10);
    // The tail is never written, and a block becomes writable only once its successor is the tail.
    EXPECT_EQ(store->blockCount(), 6u);
    EXPECT_EQ(store->writtenBlocks(), 4u);
    EXPECT_LE(store->residentBlocks(), 2u);
    expectAllReadable();
}

TEST_F(TraceStoreTest, ResetEmptiesTheStoreAndTruncatesTheFile) {
    *memory = 1024;
    fill(0, 3 * TraceStore::kRecordsPerBlock);
    ASSERT_FALSE(file->bytes.empty());
    store->reset();
    EXPECT_EQ(store->count(), 0u);
    EXPECT_TRUE(file->bytes.empty());
    EXPECT_EQ(store->blockCount(), 1u);
    TraceRecord r;
    EXPECT_FALSE(store->get(0, r));
    fill(0, 2 * TraceStore::kRecordsPerBlock + 1);
    expectAllReadable();
}

TEST_F(TraceStoreTest, DestructionDeletesTheCacheFile) {
    store.reset();
    EXPECT_TRUE(file->removed);
    EXPECT_FALSE(file->open);
}

// A full disk: the append that needs a block written fails, nothing before it is lost, the file keeps
// only whole blocks, and appending resumes at the right offset once space returns.
TEST_F(TraceStoreTest, SpilledRecordsAreDroppedFromTheFileBeforeItIsClosed) {
    *memory = 1024;
    fill(0, 3 * TraceStore::kRecordsPerBlock + 1);
    ASSERT_FALSE(file->bytes.empty());
    store.reset();
    EXPECT_TRUE(file->bytes.empty());
    EXPECT_TRUE(file->removed);
}

TEST_F(TraceStoreTest, DiskFullFailsTheAppendAndRecovers) {
    const std::uint32_t perBlock = TraceStore::kRecordsPerBlock;
    *memory = 1024;
    file->capacity = 2 * kBlock + 1000; // block 2 fits only in part
    fill(0, 4 * perBlock);              // blocks 0 and 1 are written on the way
    EXPECT_FALSE(store->append(recordFor(4 * perBlock)));
    EXPECT_FALSE(store->append(recordFor(4 * perBlock)));
    EXPECT_EQ(store->count(), 4 * perBlock);
    EXPECT_EQ(file->bytes.size(), 2 * kBlock) << "a partial block must not stay in the file";
    EXPECT_EQ(store->writtenBlocks(), 2u);
    expectAllReadable();

    file->capacity = UINT64_MAX;
    fill(4 * perBlock, 6 * perBlock + 1);
    EXPECT_EQ(file->writes.back(), 4 * kBlock);
    EXPECT_EQ(file->bytes.size(), 5 * kBlock);
    expectAllReadable();
}

TEST_F(TraceStoreTest, WriteBehindSpillsTheSameBlocksAndRecoversFromAFullDiskTheSameWay) {
    const std::uint32_t perBlock = TraceStore::kRecordsPerBlock;
    store = std::make_unique<TraceStore>("/scratch", std::make_unique<LockedFile>(file),
                                         std::make_unique<FakeMemory>(memory));
    store->setWriteBehind(true);
    *memory = 1024;
    file->capacity = 2 * kBlock + 1000;
    fill(0, 4 * perBlock);
    EXPECT_FALSE(store->append(recordFor(4 * perBlock)));
    EXPECT_EQ(store->count(), 4 * perBlock);
    EXPECT_EQ(store->writtenBlocks(), 2u);
    expectAllReadable();

    store->setWriteBehind(false); // the fake's disk changes only while no write is under way
    file->capacity = UINT64_MAX;
    *memory = 1ull << 34;
    store->setWriteBehind(true);
    fill(4 * perBlock, 260 * perBlock + 7); // past the cap: ten blocks queued at a time
    expectAllReadable();
    store->setWriteBehind(false); // waits for the writes under way
    EXPECT_EQ(store->residentBlocks(), TraceStore::kMaxResidentBlocks);
    EXPECT_EQ(file->bytes.size() % kBlock, 0u) << "a partial block must not stay in the file";
    EXPECT_GE(file->bytes.size(), store->writtenBlocks() * kBlock);
}

TEST_F(TraceStoreTest, UnreadableBlockFailsItsRecordsOnly) {
    *memory = 1024;
    const std::uint32_t perBlock = TraceStore::kRecordsPerBlock;
    fill(0, 4 * perBlock + 1);
    ASSERT_FALSE(store->isBlockResident(1));
    file->unreadable.insert(kBlock);
    TraceRecord r{7, 7, 7, 0};
    EXPECT_FALSE(store->get(perBlock, r));
    EXPECT_FALSE(store->get(2 * perBlock - 1, r));
    EXPECT_EQ(r.component, 7u) << "a failed get leaves the out record alone";
    ASSERT_TRUE(store->get(2 * perBlock, r));
    EXPECT_TRUE(sameRecord(r, recordFor(2 * perBlock)));
    ASSERT_TRUE(store->get(5, r));
    EXPECT_TRUE(sameRecord(r, recordFor(5)));

    file->unreadable.clear();
    expectAllReadable();
}

TEST_F(TraceStoreTest, RecordsFromWalksBlockByBlockThroughSpilledUnreadableAndTailBlocks) {
    *memory = 1024; // every new block releases one: most of the store is on file
    const std::uint32_t perBlock = TraceStore::kRecordsPerBlock;
    fill(0, 3 * perBlock + 17);
    ASSERT_FALSE(store->isBlockResident(0));

    std::uint32_t index = 0;
    std::vector<std::size_t> runs;
    for (auto span = store->recordsFrom(0); !span.empty(); span = store->recordsFrom(index)) {
        runs.push_back(span.size());
        for (const TraceRecord& r : span) {
            ASSERT_TRUE(sameRecord(r, recordFor(index))) << index;
            ++index;
        }
    }
    EXPECT_EQ(index, store->count());
    EXPECT_EQ(runs, (std::vector<std::size_t>{perBlock, perBlock, perBlock, 17}));

    const auto middle = store->recordsFrom(perBlock + 4999);
    ASSERT_EQ(middle.size(), 1u) << "a walk may start anywhere in a block";
    EXPECT_TRUE(sameRecord(middle[0], recordFor(perBlock + 4999)));

    ASSERT_FALSE(store->isBlockResident(0));
    file->unreadable.insert(0);
    EXPECT_TRUE(store->recordsFrom(2).empty()) << "a block that cannot be read ends the walk";
    EXPECT_FALSE(store->recordsFrom(2 * perBlock).empty());
    EXPECT_TRUE(store->recordsFrom(store->count()).empty());
}

TEST_F(TraceStoreTest, CacheFileThatCannotBeOpenedFailsOnlyWhenABlockMustBeWritten) {
    file = std::make_shared<FileState>();
    file->failOpen = true;
    store = std::make_unique<TraceStore>("/scratch", std::make_unique<FakeFile>(file),
                                         std::make_unique<FakeMemory>(memory));
    *memory = 1024;
    fill(0, 2 * TraceStore::kRecordsPerBlock);
    EXPECT_FALSE(store->append(recordFor(2 * TraceStore::kRecordsPerBlock)));
    expectAllReadable();

    file->failOpen = false; // the open is retried before the first block write
    fill(2 * TraceStore::kRecordsPerBlock, 3 * TraceStore::kRecordsPerBlock + 1);
    EXPECT_EQ(store->writtenBlocks(), 2u);
    expectAllReadable();
}

// The same store over the real file layer, in a folder of its own.
class TraceStoreOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "cellwatch-trace-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(TraceStoreOnDisk, SpillsReadsBackResetsAndCleansUp) {
    auto memory = std::make_shared<std::uint64_t>(1024);
    const fs::path cache = dir / "cache.dat";
    {
        TraceStore store(dir.string(), makePosixCacheFile(), std::make_unique<FakeMemory>(memory));
        ASSERT_TRUE(fs::exists(cache));
        for (std::uint32_t i = 0; i < 12 * TraceStore::kRecordsPerBlock + 7; ++i)
            ASSERT_TRUE(store.append(recordFor(i)));
        EXPECT_EQ(fs::file_size(cache), 11 * kBlock);
        TraceRecord r;
        for (std::uint32_t i = 0; i < store.count(); i += 1237) {
            ASSERT_TRUE(store.get(i, r));
            ASSERT_TRUE(sameRecord(r, recordFor(i)));
        }
        // Backwards as well: every block comes back from its own offset.
        for (std::uint32_t i = store.count(); i-- > 0;) {
            ASSERT_TRUE(store.get(i, r));
            ASSERT_TRUE(sameRecord(r, recordFor(i)));
        }
        store.reset();
        EXPECT_EQ(fs::file_size(cache), 0u);
        EXPECT_EQ(store.count(), 0u);
    }
    EXPECT_FALSE(fs::exists(cache));
}

TEST_F(TraceStoreOnDisk, ALargeCacheFileIsEmptiedAndRemovedByTheStoreAsItGoes) {
    // Low memory: every full block is spilled, written behind the appends. The store gives the
    // file's blocks back itself before it is gone, so nothing is left for anyone after it.
    auto memory = std::make_shared<std::uint64_t>(1024);
    const fs::path cache = dir / "cache.dat";
    int held = -1;
    {
        TraceStore store(dir.string(), makePosixCacheFile(), std::make_unique<FakeMemory>(memory));
        store.setWriteBehind(true);
        for (std::uint32_t i = 0; i < 220 * TraceStore::kRecordsPerBlock; ++i)
            ASSERT_TRUE(store.append(recordFor(i)));
        ASSERT_GE(fs::file_size(cache), 200 * kBlock);
        held = ::open(cache.c_str(), O_RDONLY | O_CLOEXEC); // sees what becomes of the file itself
        ASSERT_GE(held, 0);
    }
    struct stat after {};
    ASSERT_EQ(::fstat(held, &after), 0);
    ::close(held);
    EXPECT_EQ(after.st_size, 0) << "emptied by the store, not left to a process that outlives it";
    EXPECT_FALSE(fs::exists(cache));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(TraceStoreOnDisk, MissingFolderMakesSpillingFailWithoutLosingRecords) {
    auto memory = std::make_shared<std::uint64_t>(1024);
    TraceStore store((dir / "gone").string(), makePosixCacheFile(), std::make_unique<FakeMemory>(memory));
    for (std::uint32_t i = 0; i < 2 * TraceStore::kRecordsPerBlock; ++i)
        ASSERT_TRUE(store.append(recordFor(i)));
    EXPECT_FALSE(store.append(recordFor(10000)));
    TraceRecord r;
    ASSERT_TRUE(store.get(9999, r));
    EXPECT_TRUE(sameRecord(r, recordFor(9999)));
}

} // namespace

TEST(BlockPool, BlocksPreparedAheadKeepWhatIsWrittenAndThePoolGoesAtOnce) {
    // The pool's own thread maps memory while blocks are filled; it must never disturb them, and a
    // pool dropped in the middle of that must not wait for the rest of its region.
    constexpr std::size_t kBytes = 80000;
    constexpr std::size_t kBlocks = 60;
    auto pool = std::make_unique<BlockPool>(kBytes, kBlocks);
    pool->prepareAhead();
    std::vector<unsigned char*> blocks;
    for (std::size_t i = 0; i < kBlocks; ++i) {
        auto* block = static_cast<unsigned char*>(pool->take());
        ASSERT_NE(block, nullptr) << i;
        std::memset(block, static_cast<int>(i + 1), kBytes);
        blocks.push_back(block);
    }
    EXPECT_EQ(pool->take(), nullptr) << "the region holds kBlocks blocks";
    for (std::size_t i = 0; i < kBlocks; ++i)
        for (std::size_t at : {std::size_t{0}, kBytes / 2, kBytes - 1})
            ASSERT_EQ(blocks[i][at], static_cast<unsigned char>(i + 1)) << i << " at " << at;
    EXPECT_TRUE(pool->give(blocks[7]));
    EXPECT_EQ(pool->take(), blocks[7]);
    EXPECT_FALSE(pool->give(&blocks)) << "memory of another kind is not the pool's";

    BlockPool large(kBytes, 1000); // 80 MB of address space; only what is taken gets prepared
    large.prepareAhead();
    ASSERT_NE(large.take(), nullptr);
}
