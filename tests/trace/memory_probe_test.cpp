#include "trace/memory_probe.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace cellwatch;

TEST(MemoryProbe, ReadsMemAvailableInBytes) {
    const std::string text = "MemTotal:       24683876 kB\n"
                             "MemFree:        24304092 kB\n"
                             "MemAvailable:   24343312 kB\n"
                             "Buffers:           12345 kB\n";
    std::uint64_t bytes = 0;
    ASSERT_TRUE(parseMemAvailable(text, bytes));
    EXPECT_EQ(bytes, 24343312ull * 1024);

    ASSERT_TRUE(parseMemAvailable("MemAvailable: 3072 kB", bytes)); // no final newline
    EXPECT_EQ(bytes, 3u * 1024 * 1024);
}

TEST(MemoryProbe, RefusesMissingOrMalformedFigures) {
    std::uint64_t bytes = 77;
    EXPECT_FALSE(parseMemAvailable("", bytes));
    EXPECT_FALSE(parseMemAvailable("MemFree: 100 kB\n", bytes));
    EXPECT_FALSE(parseMemAvailable(" MemAvailable: 100 kB\n", bytes));
    EXPECT_FALSE(parseMemAvailable("MemAvailable:\n", bytes));
    EXPECT_FALSE(parseMemAvailable("MemAvailable: 12 MB\n", bytes));
    EXPECT_FALSE(parseMemAvailable("MemAvailable: 99999999999999999999999 kB\n", bytes));
    EXPECT_FALSE(parseMemAvailable("MemAvailable: 18014398509481984 kB\n", bytes)); // overflows as bytes
    EXPECT_EQ(bytes, 77u);
}

TEST(MemoryProbe, SurvivesArbitraryBytes) {
    std::mt19937 rng(12345);
    std::string text;
    for (int round = 0; round < 2000; ++round) {
        text = round % 2 ? "MemAvailable:" : "";
        const int n = static_cast<int>(rng() % 64);
        for (int i = 0; i < n; ++i)
            text += static_cast<char>(rng() % 2 ? rng() % 256 : " 0123456789kB\n\r\t"[rng() % 17]);
        // A figure it takes comes from a "MemAvailable:" line and is the same when read again; a
        // text it refuses leaves the caller's value alone.
        std::uint64_t bytes = 77;
        if (parseMemAvailable(text, bytes)) {
            EXPECT_NE(text.find("MemAvailable:"), std::string::npos) << round;
            std::uint64_t again = 0;
            EXPECT_TRUE(parseMemAvailable(text, again)) << round;
            EXPECT_EQ(again, bytes) << round;
        } else {
            EXPECT_EQ(bytes, 77u) << round;
        }
    }
}

TEST(MemoryProbe, SystemProbeGivesAFigureOnLinux) {
    auto probe = makeSystemMemoryProbe();
    std::uint64_t bytes = 0;
    ASSERT_TRUE(probe->availableBytes(bytes));
    EXPECT_GT(bytes, 0u);
}
