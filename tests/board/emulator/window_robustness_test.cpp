// Arbitrary traffic on the window and the ports, as a broken CAL file or host could produce: the
// board must neither crash nor hang, and plain SRAM must keep what was stored.

#include "window_host.h"

#include <gtest/gtest.h>

#include <random>

namespace cellwatch::test {
namespace {

class RandomTraffic : public ::testing::TestWithParam<int> {};

TEST_P(RandomTraffic, ArbitraryWordsEverywhereAreSafe) {
    WindowHost h(GetParam());
    std::mt19937 rng(12345u + static_cast<unsigned>(GetParam()));
    const std::uint32_t addressSpan = 1u << h.g.addressBits;
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t r = rng();
        const std::uint32_t value = rng();
        switch (r % 8) {
        case 0: // configuration words, mostly inside the array and pointing inside it
        case 1:
            h.write(h.cell(static_cast<int>(value % static_cast<std::uint32_t>(h.g.cells)),
                           static_cast<int>((value >> 8) % static_cast<std::uint32_t>(h.g.cells)),
                           static_cast<int>(r >> 8) % 3),
                    rng() & 0x1FFFFFFFu);
            break;
        case 2:
            h.write((r >> 3) % addressSpan, value);
            break;
        case 3:
            h.read((r >> 3) % addressSpan);
            break;
        case 4:
            h.channel->store(r, value);
            break;
        case 5:
            h.channel->load(r);
            break;
        case 6:
            h.port(static_cast<std::uint16_t>((r >> 3) & 0x3C), value & 3u);
            break;
        default:
            h.assignCell(static_cast<int>(value % static_cast<std::uint32_t>(h.g.cells)),
                         static_cast<int>((value >> 8) % static_cast<std::uint32_t>(h.g.cells)), r >> 31);
            break;
        }
    }
    h.channel->store(0x100, 0xDEADBEEF);
    EXPECT_EQ(h.channel->load(0x100), 0xDEADBEEFu);
    h.port(0x10, 1);
    EXPECT_EQ(h.board.configWord(0, 0, 2), 0u);
}

INSTANTIATE_TEST_SUITE_P(Members, RandomTraffic, ::testing::Values(48, 64, 96, 128));

} // namespace
} // namespace cellwatch::test
