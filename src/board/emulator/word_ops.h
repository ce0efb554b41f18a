#pragma once
// Cells evaluated 64 at a time. The fabric keeps its state bits packed in 64-bit words; the cells of
// one word that read their inputs from the same distance (or from one shared cell) form one
// operation, which evaluates all of them with a few bitwise instructions. A design's regular parts
// (counters, shift registers, carry chains) come out as a few operations per word, so a clock edge
// costs per word of registers, not per register.

#include <cstdint>
#include <vector>

namespace cellwatch {

// Cell i's state bit is bit i + kWordBitBase of the packed words: the leading word keeps every
// window a source reads inside the array (see WordOp).
constexpr std::uint32_t kWordBitBase = 64;

// One word's worth of cells computing f(a, b) with their own truth tables. Input x of bit j is bit j
// of the 64-bit window that starts at bit xShift of word xWord, or, for a broadcast input, bit 0 of
// that window copied to every bit.
struct WordOp {
    std::uint32_t dst = 0;
    std::uint32_t aWord = 0;
    std::uint32_t bWord = 0;
    std::uint8_t aShift = 0;
    std::uint8_t bShift = 0;
    bool aBroadcast = false;
    bool bBroadcast = false;
    std::uint64_t mask = 0; // the cells of the operation
    // f = c0 ^ c1 a ^ c2 b ^ c3 a b, bit by bit (each cell's table in algebraic normal form; 0
    // outside mask).
    std::uint64_t c0 = 0;
    std::uint64_t c1 = 0;
    std::uint64_t c2 = 0;
    std::uint64_t c3 = 0;
    std::uint64_t netSources = 0; // cells of mask that clock a net
    std::uint64_t gateInputs = 0; // cells of mask that a gate reads
    // Cells whose input B comes from a second window (at bit b2Shift of word b2Word) instead:
    // registers of one word that share input A but reach B at two distances (a counter's first bits
    // and the rest) are one operation.
    std::uint64_t bSelect = 0;
    std::uint32_t b2Word = 0;
    std::uint8_t b2Shift = 0;
};

// Two words as one: the compilers turn the shift below into a single double-word shift.
__extension__ typedef unsigned __int128 WordPair;

inline std::uint64_t fetchWindow(const std::uint64_t* words, std::uint32_t word, unsigned shift, bool broadcast) {
    const std::uint64_t window =
        static_cast<std::uint64_t>(((static_cast<WordPair>(words[word + 1]) << 64) | words[word]) >> (shift & 63u));
    return broadcast ? std::uint64_t{0} - (window & 1u) : window;
}

// The kind of an operation's inputs: 1 when input A is a broadcast, 2 when input B is, 4 when some
// cells take B from the second window.
constexpr unsigned kOpKinds = 8;
inline unsigned opKind(const WordOp& op) {
    return (op.aBroadcast ? 1u : 0u) + (op.bBroadcast ? 2u : 0u) + (op.bSelect != 0 ? 4u : 0u);
}

// evaluate (below) for operations of one kind, which loops over many of them run without a test
// per input.
template <unsigned kind>
[[gnu::always_inline]] inline std::uint64_t evaluateKind(const std::uint64_t* words, const WordOp& op) {
    const std::uint64_t a = fetchWindow(words, op.aWord, op.aShift, (kind & 1u) != 0);
    std::uint64_t b = fetchWindow(words, op.bWord, op.bShift, (kind & 2u) != 0);
    if constexpr ((kind & 4u) != 0)
        b = (b & ~op.bSelect) | (fetchWindow(words, op.b2Word, op.b2Shift, false) & op.bSelect);
    return op.c0 ^ (op.c1 & a) ^ (op.c2 & b) ^ (op.c3 & a & b);
}

// The new values of op's cells (0 outside its mask), for an operation without a second window
// (every gate operation).
inline std::uint64_t evaluate(const std::uint64_t* words, const WordOp& op) {
    const std::uint64_t a = fetchWindow(words, op.aWord, op.aShift, op.aBroadcast);
    const std::uint64_t b = fetchWindow(words, op.bWord, op.bShift, op.bBroadcast);
    return op.c0 ^ (op.c1 & a) ^ (op.c2 & b) ^ (op.c3 & a & b);
}

// evaluate for any operation, a register operation with a second window included.
inline std::uint64_t evaluateAny(const std::uint64_t* words, const WordOp& op) {
    const std::uint64_t a = fetchWindow(words, op.aWord, op.aShift, op.aBroadcast);
    std::uint64_t b = fetchWindow(words, op.bWord, op.bShift, op.bBroadcast);
    if (op.bSelect != 0)
        b = (b & ~op.bSelect) | (fetchWindow(words, op.b2Word, op.b2Shift, false) & op.bSelect);
    return op.c0 ^ (op.c1 & a) ^ (op.c2 & b) ^ (op.c3 & a & b);
}

// A cell to be grouped: its index, its inputs (cell indices, or count and count + 1 for the
// constants 0 and 1) and its truth table (bit a + 2b is f(a, b)).
struct CellInputs {
    std::uint32_t self;
    std::uint32_t a;
    std::uint32_t b;
    std::uint8_t table;
};

struct GroupedCells {
    std::vector<WordOp> ops;
    std::vector<std::uint32_t> opOfCell; // per input cell, the operation that computes it
    // Per input cell, the inputs its value depends on (a constant or an input its table ignores is
    // count, which is no cell).
    std::vector<std::uint32_t> usedA;
    std::vector<std::uint32_t> usedB;
};

// Groups cells into word operations. count is the number of cells in the array; flags per cell
// (count + 2 entries) give netSourceFlag and gateInputFlag, which fill the operations' masks. With
// blend, two operations of a word that reach input A alike become one with a second window for B
// (registers only: the gates' settling order works per input).
GroupedCells groupCells(const std::vector<CellInputs>& cells, std::uint32_t count,
                        const std::vector<std::uint8_t>& flags, std::uint8_t netSourceFlag,
                        std::uint8_t gateInputFlag, bool blend = false);

// Gate operations in an order that settles them: stages run in order; a stage that is a loop of
// operations (cells of one word chained through each other, as a carry chain is) runs until it no
// longer changes, which for loop-free cells takes at most one pass per cell of the chain.
struct GateProgram {
    struct Stage {
        std::uint32_t begin;
        std::uint32_t end;
        bool repeat;
        std::uint32_t passLimit; // the cells of the stage + 1: a safe bound, never reached
        // One operation whose cells read the cell one row below them in its own word on input A (1)
        // or B (2), and nothing else of that word: a chain, settled in one go (settleChain).
        std::uint8_t chain = 0;
    };
    std::vector<WordOp> ops;
    std::vector<Stage> stages;
};

// Settles a chain operation (Stage::chain): bit j is f_j(bit j - 1, b_j), a map of bit j - 1 that
// b_j fixes. The maps of all bits compose by doubling (six steps for 64 bits), so the chain settles
// without a pass per link. Returns the word's new value.
inline std::uint64_t settleChain(const std::uint64_t* words, const WordOp& op, int side) {
    const std::uint64_t old = words[op.dst];
    std::uint64_t p0;
    std::uint64_t p1;
    if (side == 1) {
        const std::uint64_t b = fetchWindow(words, op.bWord, op.bShift, op.bBroadcast);
        p0 = op.c0 ^ (op.c2 & b);
        p1 = op.c0 ^ op.c1 ^ ((op.c2 ^ op.c3) & b);
    } else {
        const std::uint64_t a = fetchWindow(words, op.aWord, op.aShift, op.aBroadcast);
        p0 = op.c0 ^ (op.c1 & a);
        p1 = op.c0 ^ op.c2 ^ ((op.c1 ^ op.c3) & a);
    }
    // Bits of other cells keep their value whatever lies below them.
    p0 = (p0 & op.mask) | (old & ~op.mask);
    p1 = (p1 & op.mask) | (old & ~op.mask);
    const std::uint64_t below = (words[op.dst - 1] >> 63) & 1u;
    if ((p0 & ~p1) == 0) {
        // No bit inverts the one below (a carry or borrow chain): every map is 0, 1 or a copy of the
        // bit below, which is how carries move through an addition of p0 (the bits set whatever lies
        // below) and p1 (the bits set when the bit below is). Bit j + 1 of the sum's carries is bit j.
        std::uint64_t sum;
        const bool out = __builtin_add_overflow(p0, p1, &sum) | __builtin_add_overflow(sum, below, &sum);
        return ((sum ^ p0 ^ p1) >> 1) | (std::uint64_t{out} << 63);
    }
    for (unsigned span = 1; span < 64; span *= 2) {
        const std::uint64_t q0 = p0 << span;
        const std::uint64_t q1 = (p1 << span) | ((std::uint64_t{1} << span) - 1); // below bit 0: unchanged
        const std::uint64_t n0 = (q0 & p1) | (~q0 & p0);
        p1 = (q1 & p1) | (~q1 & p0);
        p0 = n0;
    }
    const std::uint64_t all = std::uint64_t{0} - below;
    return (all & p1) | (~all & p0);
}

// The loop-free gates in two parts. Those whose values something in the fabric reads (a register, a
// clock net, a gate on a loop, or another such gate) settle with every change; the rest are only
// observed by the host, and settle when a read reaches their word.
struct GatePrograms {
    GateProgram settled;
    GateProgram observed; // one stage per loop of operations, or per operation
    // Per word of the packed state, the observed stages a read of it needs, inputs first:
    // observedOfWord[wordStart[w] .. wordStart[w + 1]), and the bits of the word that need each
    // (observedBits alike), so that a read of a few rows settles only what they show.
    std::vector<std::uint32_t> wordStart;
    std::vector<std::uint32_t> observedOfWord;
    std::vector<std::uint64_t> observedBits;
};

// Orders the grouped operations of loop-free gates; cells lists the gates inputs first, as they were
// grouped, and needed marks those the fabric itself reads. words is the size of the packed state.
GatePrograms orderGates(const GroupedCells& grouped, const std::vector<CellInputs>& cells, std::uint32_t count,
                        std::vector<std::uint8_t> needed, std::size_t words);

} // namespace cellwatch
