#include "board/emulator/word_ops.h"

#include <gtest/gtest.h>

#include <random>

namespace cellwatch {
namespace {

// A chain word (word 2) whose cells read the row below on input A and a window of word 4 on input
// B, settled one link at a time as the fabric would without settleChain.
std::uint64_t settleLinkByLink(const std::uint64_t* words, const WordOp& op) {
    std::uint64_t value = words[op.dst];
    const std::uint64_t b = fetchWindow(words, op.bWord, op.bShift, op.bBroadcast);
    unsigned below = (words[op.dst - 1] >> 63) & 1u;
    for (unsigned j = 0; j < 64; ++j) {
        const std::uint64_t bit = std::uint64_t{1} << j;
        if (op.mask & bit) {
            const unsigned bj = (b >> j) & 1u;
            const unsigned f = ((op.c0 >> j) & 1u) ^ (((op.c1 >> j) & 1u) & below) ^ (((op.c2 >> j) & 1u) & bj) ^
                               (((op.c3 >> j) & 1u) & below & bj);
            value = f ? value | bit : value & ~bit;
        }
        below = (value >> j) & 1u;
    }
    return value;
}

// Tables over (a = the row below, b): each cell picks one. The first six never invert the row below,
// whatever b is (and, or, and-not, copies, constants), as carry and borrow chains do; xor does.
constexpr std::uint8_t kCarryTables[] = {0x8, 0xE, 0x2, 0xA, 0x0, 0xF};
constexpr std::uint8_t kXor = 0x6;

WordOp chainOp(std::mt19937_64& random, bool withXor) {
    WordOp op;
    op.dst = 2;
    op.aWord = 1;
    op.aShift = 63;
    op.bWord = 4;
    op.bShift = static_cast<std::uint8_t>(random() % 64);
    op.mask = random() | random(); // most cells of the word, some left alone
    for (unsigned j = 0; j < 64; ++j) {
        if (!((op.mask >> j) & 1u))
            continue;
        const std::uint8_t t = withXor && random() % 8 == 0 ? kXor : kCarryTables[random() % 6];
        const std::uint64_t t00 = t & 1u, t10 = (t >> 1) & 1u, t01 = (t >> 2) & 1u, t11 = (t >> 3) & 1u;
        op.c0 |= t00 << j;
        op.c1 |= (t00 ^ t10) << j;
        op.c2 |= (t00 ^ t01) << j;
        op.c3 |= (t00 ^ t10 ^ t01 ^ t11) << j;
    }
    return op;
}

TEST(SettleChain, CarryChainsAndInvertingChainsSettleAsLinkByLink) {
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 4000; ++trial) {
        const bool withXor = trial % 2 == 1;
        const WordOp op = chainOp(random, withXor);
        std::uint64_t words[6];
        for (std::uint64_t& w : words)
            w = random();
        // Long runs of propagating cells are where a carry goes furthest.
        if (trial % 4 == 0)
            words[4] = words[5] = ~std::uint64_t{0};
        ASSERT_EQ(settleChain(words, op, 1), settleLinkByLink(words, op)) << "trial " << trial;
    }
}

} // namespace
} // namespace cellwatch
