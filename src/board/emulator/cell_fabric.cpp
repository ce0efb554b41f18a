#include "board/emulator/cell_fabric.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>
#include <utility>

namespace cellwatch {

namespace {

// A chain of cells that clock each other (a ripple counter) settles in at most one round per clock
// net; the extra rounds bound oscillating feedback a hand-written configuration may contain.
constexpr int kExtraCascadeRounds = 2;

} // namespace

namespace {

std::size_t wordCount(std::uint32_t cells) {
    // The cells, the two constants and one word beyond, which the last window reads.
    return (kWordBitBase + cells + 2 + 63) / 64 + 1;
}

// The window of 64 bits starting at bit `bit` of the packed words.
std::uint64_t windowAt(const std::uint64_t* words, std::uint32_t bit) {
    return fetchWindow(words, bit >> 6, bit & 63u, false);
}

} // namespace

CellFabric::CellFabric(int cellsPerSide)
    : m_cells(cellsPerSide), m_count(static_cast<std::uint32_t>(cellsPerSide * cellsPerSide)),
      m_bits(wordCount(m_count), 0), m_readXor(wordCount(m_count), 0), m_gateBits(wordCount(m_count), 0),
      m_config(3u * m_count, 0), m_flags(m_count + 2, 0), m_readStrobe(static_cast<std::size_t>(cellsPerSide)),
      m_accessStrobe(static_cast<std::size_t>(cellsPerSide)) {
    setBit(m_count + 1, true);
}

void CellFabric::reset() {
    std::fill(m_config.begin(), m_config.end(), 0u);
    std::fill(m_bits.begin(), m_bits.end(), 0u);
    setBit(m_count + 1, true);
    m_dirty = true;
    compile();
}

void CellFabric::clearRegisters() {
    ensureCompiled();
    const bool one = bit(m_count + 1);
    for (std::size_t w = 0; w < m_bits.size(); ++w)
        m_bits[w] &= m_gateBits[w];
    setBit(m_count + 1, one);
    settle();
    m_settlePending = false;
    rememberClockNets();
}

void CellFabric::writeConfig(int row, int column, int offset, std::uint32_t value) {
    if (!inside(row, column) || offset < 0 || offset > 2)
        return;
    std::uint32_t& word = m_config[3u * index(row, column) + static_cast<std::uint32_t>(offset)];
    if (word != value) {
        word = value;
        m_dirty = true;
    }
}

std::uint32_t CellFabric::configWord(int row, int column, int offset) const {
    if (!inside(row, column) || offset < 0 || offset > 2)
        return 0;
    return m_config[3u * index(row, column) + static_cast<std::uint32_t>(offset)];
}

CellConfig CellFabric::config(int row, int column) const {
    return CellConfig::decode(configWord(row, column, 0), configWord(row, column, 1),
                              configWord(row, column, 2));
}

std::uint32_t CellFabric::readCells(int column, const std::uint8_t* rows, int count) {
    if (column < 0 || column >= m_cells)
        return 0;
    ensureCompiled();
    const std::uint32_t base = index(0, column);
    std::uint32_t value = 0;
    if (count > 0)
        settleObserved(base + rows[0] + kWordBitBase, base + rows[count - 1] + kWordBitBase);
    if (count > 0 && rows[count - 1] - rows[0] == count - 1) {
        // Ascending rows with no gap: the column's cells lie side by side in the packed words.
        const std::uint32_t first = base + rows[0] + kWordBitBase;
        const std::uint64_t bits = windowAt(m_bits.data(), first) ^ windowAt(m_readXor.data(), first);
        value = static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << count) - 1));
    } else {
        for (int k = 0; k < count; ++k) {
            const std::uint32_t b = base + rows[k] + kWordBitBase;
            value |= static_cast<std::uint32_t>(((m_bits[b >> 6] ^ m_readXor[b >> 6]) >> (b & 63u)) & 1u) << k;
        }
    }
    const Range strobes[2] = {m_readStrobe[static_cast<std::size_t>(column)],
                              m_accessStrobe[static_cast<std::size_t>(column)]};
    if (!strobes[0].empty() || !strobes[1].empty()) {
        m_netMoved = false;
        fire(strobes, 2, -1, nullptr);
        settleAndCascade();
    }
    return value;
}

void CellFabric::writeCells(int column, const std::uint8_t* rows, int count, std::uint32_t value) {
    if (column < 0 || column >= m_cells)
        return;
    ensureCompiled();
    const std::uint32_t base = index(0, column);
    const Range& strobe = m_accessStrobe[static_cast<std::size_t>(column)];
    std::uint64_t written[2] = {0, 0}; // only a strobe of the column asks which rows were written
    m_netMoved = false;
    for (int k = 0; k < count; ++k) {
        const std::uint32_t cell = base + rows[k];
        const bool b = ((value >> k) & 1u) != 0;
        if (bit(cell) != b)
            writeState(cell, b);
    }
    if (!strobe.empty())
        for (int k = 0; k < count; ++k)
            written[rows[k] >> 6] |= std::uint64_t{1} << (rows[k] & 63);
    settleAndCascade();
    if (!strobe.empty()) {
        m_netMoved = false;
        fire(&strobe, 1, column, written);
        settleAndCascade();
    }
}

bool CellFabric::state(int row, int column) {
    if (!inside(row, column))
        return false;
    ensureCompiled();
    settleCell(index(row, column));
    return bit(index(row, column));
}

bool CellFabric::readBack(int row, int column) {
    if (!inside(row, column))
        return false;
    ensureCompiled();
    settleCell(index(row, column));
    const std::uint32_t b = index(row, column) + kWordBitBase;
    return (((m_bits[b >> 6] ^ m_readXor[b >> 6]) >> (b & 63u)) & 1u) != 0;
}

void CellFabric::setState(int row, int column, bool value) {
    if (!inside(row, column))
        return;
    ensureCompiled();
    m_netMoved = false;
    writeState(index(row, column), value);
    settleAndCascade();
}

std::uint32_t CellFabric::sourceIndex(const CellSource& s) const {
    switch (s.kind) {
    case CellSource::Kind::Cell:
        return inside(s.row, s.column) ? index(s.row, s.column) : m_count;
    case CellSource::Kind::One:
        return m_count + 1;
    case CellSource::Kind::Zero:
        break;
    }
    return m_count;
}

void CellFabric::compile() {
    m_dirty = false;
    m_nets.clear();
    std::fill(m_readStrobe.begin(), m_readStrobe.end(), Range{});
    std::fill(m_accessStrobe.begin(), m_accessStrobe.end(), Range{});
    std::fill(m_readXor.begin(), m_readXor.end(), 0u);
    std::fill(m_gateBits.begin(), m_gateBits.end(), 0u);
    std::fill(m_flags.begin(), m_flags.end(), std::uint8_t{0});

    // (kind, key, logic): kind 0 cell-output net keyed by the clock cell, 1 read strobe, 2 access strobe,
    // both keyed by column.
    std::vector<std::tuple<int, std::uint32_t, Logic>> clocked;
    std::vector<Logic> comb;
    for (int column = 0; column < m_cells; ++column) {
        for (int row = 0; row < m_cells; ++row) {
            const std::uint32_t i = index(row, column);
            const std::uint32_t* w = &m_config[3u * i];
            if ((w[2] >> 28) & 1u) {
                const std::uint32_t b = i + kWordBitBase;
                m_readXor[b >> 6] |= std::uint64_t{1} << (b & 63u);
            }
            if ((w[2] & 0xF0u) == 0)
                continue; // storage: the common case, decoded no further
            const CellConfig c = CellConfig::decode(w[0], w[1], w[2]);
            const Logic l{i, sourceIndex(c.inputA), sourceIndex(c.inputB), c.table};
            if (c.mode == CellMode::Combinational) {
                comb.push_back(l);
                continue;
            }
            if (c.mode != CellMode::Registered || !inside(c.clockRow, c.clockColumn))
                continue;
            switch (c.clock) {
            case ClockKind::CellOutput:
                clocked.emplace_back(0, index(c.clockRow, c.clockColumn), l);
                break;
            case ClockKind::ColumnRead:
                clocked.emplace_back(1, static_cast<std::uint32_t>(c.clockColumn), l);
                break;
            case ClockKind::ColumnAccess:
                clocked.emplace_back(2, static_cast<std::uint32_t>(c.clockColumn), l);
                break;
            case ClockKind::Global:
                break; // never ticked here
            }
        }
    }

    // Evaluation order of the combinational cells: inputs before the cells that use them. Cells on a
    // combinational loop, and those behind one, keep address order after the rest; each settle
    // evaluates them once.
    std::vector<Logic> ordered;
    m_looped.clear();
    {
        std::vector<std::int32_t> position(m_count + 2, -1);
        for (std::size_t k = 0; k < comb.size(); ++k)
            position[comb[k].self] = static_cast<std::int32_t>(k);
        std::vector<int> pending(comb.size(), 0);
        std::vector<std::vector<std::uint32_t>> users(comb.size());
        for (std::size_t k = 0; k < comb.size(); ++k) {
            for (std::uint32_t in : {comb[k].a, comb[k].b}) {
                const std::int32_t p = position[in];
                if (p >= 0) {
                    ++pending[k];
                    users[static_cast<std::size_t>(p)].push_back(static_cast<std::uint32_t>(k));
                }
            }
        }
        ordered.reserve(comb.size());
        std::vector<std::uint32_t> ready;
        std::vector<std::uint8_t> placed(comb.size(), 0);
        for (std::size_t k = 0; k < comb.size(); ++k)
            if (pending[k] == 0)
                ready.push_back(static_cast<std::uint32_t>(k));
        for (std::size_t head = 0; head < ready.size(); ++head) {
            const std::uint32_t k = ready[head];
            ordered.push_back(comb[k]);
            placed[k] = 1;
            for (std::uint32_t u : users[k])
                if (--pending[u] == 0)
                    ready.push_back(u);
        }
        for (std::size_t k = 0; k < comb.size(); ++k)
            if (!placed[k])
                m_looped.push_back(comb[k]);
        m_gatesAcyclic = m_looped.empty();
    }
    for (const Logic& l : comb) {
        const std::uint32_t b = l.self + kWordBitBase;
        m_gateBits[b >> 6] |= std::uint64_t{1} << (b & 63u);
        m_flags[l.self] |= kGate;
        if (m_gatesAcyclic) {
            m_flags[l.a] |= kFeedsGate;
            m_flags[l.b] |= kFeedsGate;
        }
    }

    std::stable_sort(clocked.begin(), clocked.end(), [](const auto& x, const auto& y) {
        return std::get<0>(x) != std::get<0>(y) ? std::get<0>(x) < std::get<0>(y)
                                                : std::get<1>(x) < std::get<1>(y);
    });
    for (const auto& entry : clocked)
        if (std::get<0>(entry) == 0)
            m_flags[std::get<1>(entry)] |= kNetSource;

    // What the fabric itself reads: registers' inputs, clock nets, the inputs of gates on a loop.
    std::vector<std::uint8_t> read(m_count + 2, 0);
    for (const auto& entry : clocked) {
        read[std::get<2>(entry).a] = read[std::get<2>(entry).b] = 1;
        if (std::get<0>(entry) == 0)
            read[std::get<1>(entry)] = 1;
    }
    for (const Logic& l : m_looped)
        read[l.a] = read[l.b] = 1;
    std::vector<CellInputs> gateInputs;
    std::vector<std::uint8_t> needed;
    gateInputs.reserve(ordered.size());
    for (const Logic& l : ordered) {
        gateInputs.push_back({l.self, l.a, l.b, l.table});
        needed.push_back(read[l.self]);
    }
    m_gates = orderGates(groupCells(gateInputs, m_count, m_flags, kNetSource, kFeedsGate), gateInputs, m_count,
                         std::move(needed), m_bits.size());
    m_gatesClockNets = std::any_of(m_gates.settled.ops.begin(), m_gates.settled.ops.end(),
                                   [](const WordOp& op) { return op.netSources != 0; });
    m_observedEpoch.assign(m_gates.observed.stages.size(), 0);

    // Each clock group's registers become operations of their own; an edge evaluates every one of
    // them before it stores any.
    m_regOps.clear();
    for (std::size_t k = 0; k < clocked.size();) {
        const int kind = std::get<0>(clocked[k]);
        const std::uint32_t key = std::get<1>(clocked[k]);
        std::vector<CellInputs> group;
        for (; k < clocked.size() && std::get<0>(clocked[k]) == kind && std::get<1>(clocked[k]) == key; ++k) {
            const Logic& l = std::get<2>(clocked[k]);
            group.push_back({l.self, l.a, l.b, l.table});
        }
        std::vector<WordOp> ops = groupCells(group, m_count, m_flags, kNetSource, kFeedsGate, true).ops;
        // Operations of one kind together: the edge runs one loop per kind, with no test per input.
        std::stable_sort(ops.begin(), ops.end(), [](const WordOp& x, const WordOp& y) {
            return opKind(x) < opKind(y);
        });
        // An operation whose cells no later operation reads can be stored at once. The others go
        // first and are stored last: they are evaluated before anything changed, and the direct
        // ones keep their order, so none of them reads a bit stored before its turn.
        std::vector<std::uint8_t> direct(ops.size(), 0);
        {
            std::vector<std::uint64_t> readLater(m_bits.size() + 1, 0);
            const auto noteWindow = [&](std::uint32_t word, unsigned shift, bool broadcast) {
                if (broadcast) {
                    readLater[word] |= std::uint64_t{1} << shift;
                    return;
                }
                readLater[word] |= ~std::uint64_t{0} << shift;
                if (shift != 0)
                    readLater[word + 1] |= ~std::uint64_t{0} >> (64 - shift);
            };
            for (std::size_t o = ops.size(); o-- > 0;) {
                direct[o] = (readLater[ops[o].dst] & ops[o].mask) == 0 ? 1 : 0;
                noteWindow(ops[o].aWord, ops[o].aShift, ops[o].aBroadcast);
                noteWindow(ops[o].bWord, ops[o].bShift, ops[o].bBroadcast);
                if (ops[o].bSelect != 0)
                    noteWindow(ops[o].b2Word, ops[o].b2Shift, false);
            }
        }
        // Both parts keep the order by kind.
        Range r;
        r.begin = static_cast<std::uint32_t>(m_regOps.size());
        for (std::uint8_t part = 0; part < 2; ++part) {
            if (part == 1)
                r.direct = static_cast<std::uint32_t>(m_regOps.size());
            for (unsigned kind = 0; kind < kOpKinds; ++kind) {
                r.kinds[part][kind] = static_cast<std::uint32_t>(m_regOps.size());
                for (std::size_t o = 0; o < ops.size(); ++o)
                    if (direct[o] == part && opKind(ops[o]) == kind)
                        m_regOps.push_back(ops[o]);
            }
            r.kinds[part][kOpKinds] = static_cast<std::uint32_t>(m_regOps.size());
        }
        r.end = static_cast<std::uint32_t>(m_regOps.size());
        r.netSources = std::any_of(ops.begin(), ops.end(), [](const WordOp& op) { return op.netSources != 0; });
        if (kind == 0)
            m_nets.push_back(ClockNet{key, 0, r});
        else if (kind == 1)
            m_readStrobe[key] = r;
        else
            m_accessStrobe[key] = r;
    }
    m_next.assign(m_regOps.size(), 0);
    m_firing.clear();
    m_firing.reserve(m_nets.size() + 2);

    settle();
    m_settlePending = false;
    rememberClockNets();
}

namespace {

// One stage of the gates; returns the state bits it changed. Net sources among the gates are rare,
// so only a program that has them watches them.
template <bool watchNets>
[[gnu::always_inline]] inline std::uint64_t runStage(std::uint64_t* words, const WordOp* op, const WordOp* end, std::uint64_t& moved) {
    std::uint64_t changed = 0;
    for (; op != end; ++op) {
        const std::uint64_t old = words[op->dst];
        const std::uint64_t now = (old & ~op->mask) | evaluate(words, *op);
        words[op->dst] = now;
        changed |= old ^ now;
        if constexpr (watchNets)
            moved |= (old ^ now) & op->netSources;
    }
    return changed;
}

template <bool watchNets>
[[gnu::always_inline]] inline void runGateStage(std::uint64_t* words, const WordOp* ops, const GateProgram::Stage& stage, std::uint64_t& moved) {
    const WordOp* const begin = ops + stage.begin;
    const WordOp* const end = ops + stage.end;
    if (stage.chain != 0) {
        const std::uint64_t old = words[begin->dst];
        const std::uint64_t now = settleChain(words, *begin, stage.chain);
        words[begin->dst] = now;
        if constexpr (watchNets)
            moved |= (old ^ now) & begin->netSources;
        return;
    }
    std::uint64_t changed = runStage<watchNets>(words, begin, end, moved);
    for (std::uint32_t pass = 1; stage.repeat && changed != 0 && pass < stage.passLimit; ++pass)
        changed = runStage<watchNets>(words, begin, end, moved);
}

template <bool watchNets>
std::uint64_t runGates(std::uint64_t* words, const GateProgram& program) {
    std::uint64_t moved = 0;
    for (const GateProgram::Stage& stage : program.stages)
        runGateStage<watchNets>(words, program.ops.data(), stage, moved);
    return moved;
}

} // namespace

void CellFabric::settleObservedBits(std::uint32_t firstBit, std::uint32_t lastBit) {
    std::uint64_t moved = 0; // observed gates clock nothing
    for (std::uint32_t w = firstBit >> 6; w <= lastBit >> 6; ++w) {
        // The bits of this word that the read covers.
        const std::uint64_t low = w == firstBit >> 6 ? ~std::uint64_t{0} << (firstBit & 63u) : ~std::uint64_t{0};
        const std::uint64_t high = w == lastBit >> 6 ? ~std::uint64_t{0} >> (63u - (lastBit & 63u)) : ~std::uint64_t{0};
        const std::uint64_t read = low & high;
        for (std::uint32_t k = m_gates.wordStart[w]; k < m_gates.wordStart[w + 1]; ++k) {
            const std::uint32_t stage = m_gates.observedOfWord[k];
            if (m_observedEpoch[stage] == m_stateEpoch || (m_gates.observedBits[k] & read) == 0)
                continue;
            m_observedEpoch[stage] = m_stateEpoch;
            runGateStage<false>(m_bits.data(), m_gates.observed.ops.data(), m_gates.observed.stages[stage], moved);
        }
    }
}

void CellFabric::settle() {
    ++m_stateEpoch;
    const std::uint64_t moved = m_gatesClockNets ? runGates<true>(m_bits.data(), m_gates.settled)
                                                 : runGates<false>(m_bits.data(), m_gates.settled);
    bool netMoved = moved != 0;
    for (const Logic& l : m_looped) {
        const bool now = ((l.table >> (bit(l.a) | (bit(l.b) << 1))) & 1u) != 0;
        if (now != bit(l.self)) {
            setBit(l.self, now);
            if (m_flags[l.self] & kNetSource)
                netMoved = true;
        }
    }
    if (netMoved)
        m_netMoved = true;
}

void CellFabric::rememberClockNets() {
    for (ClockNet& n : m_nets)
        n.previous = bit(n.source) ? 1 : 0;
}

void CellFabric::writeState(std::uint32_t cell, bool value) {
    if (bit(cell) == value)
        return;
    setBit(cell, value);
    ++m_stateEpoch;
    const std::uint8_t flags = m_flags[cell];
    if (flags & (kGate | kFeedsGate))
        m_settlePending = true; // a written gate gets its own value back
    if (flags & kNetSource)
        m_netMoved = true;
}

void CellFabric::settleChanges() {
    if (m_settlePending || !m_gatesAcyclic) {
        m_settlePending = false;
        settle();
    }
}

void CellFabric::settleAndCascade() {
    settleChanges();
    const int rounds = static_cast<int>(m_nets.size()) + kExtraCascadeRounds;
    for (int round = 0; round < rounds && !m_nets.empty(); ++round) {
        // Every net's previous value is its source's value at rest: no source moved, no edge.
        if (!m_netMoved)
            return;
        m_netMoved = false;
        m_firing.clear();
        for (ClockNet& n : m_nets) {
            const std::uint8_t now = bit(n.source) ? 1 : 0;
            if (now && !n.previous)
                m_firing.push_back(n.regs);
            n.previous = now;
        }
        if (m_firing.empty())
            return;
        fire(m_firing.data(), static_cast<int>(m_firing.size()), -1, nullptr);
        settleChanges();
    }
    rememberClockNets();
}

namespace {

template <unsigned kind>
[[gnu::always_inline]] inline void evaluateInto(const std::uint64_t* words, const WordOp* ops, std::uint32_t begin, std::uint32_t end,
                  std::uint64_t* next) {
    for (std::uint32_t k = begin; k < end; ++k)
        next[k] = evaluateKind<kind>(words, ops[k]);
}

template <bool watchNets>
[[gnu::always_inline]] inline void storeOp(std::uint64_t* words, const WordOp& op, std::uint64_t value,
                                           std::uint64_t& moved, std::uint64_t& reached) {
    const std::uint64_t old = words[op.dst];
    const std::uint64_t now = (old & ~op.mask) | value;
    words[op.dst] = now;
    if constexpr (watchNets)
        moved |= (old ^ now) & op.netSources;
    reached |= (old ^ now) & op.gateInputs;
}

template <unsigned kind, bool watchNets>
[[gnu::always_inline]] inline void evaluateAndStore(std::uint64_t* words, const WordOp* ops, std::uint32_t begin, std::uint32_t end,
                      std::uint64_t& moved, std::uint64_t& reached) {
    for (std::uint32_t k = begin; k < end; ++k)
        storeOp<watchNets>(words, ops[k], evaluateKind<kind>(words, ops[k]), moved, reached);
}

} // namespace

template <bool watchNets>
void CellFabric::fireGroup(const Range& range) {
    std::uint64_t* const words = m_bits.data();
    std::uint64_t* const next = m_next.data();
    const WordOp* const ops = m_regOps.data();
    const auto& deferred = range.kinds[0];
    const auto& direct = range.kinds[1];
    [&]<unsigned... kind>(std::integer_sequence<unsigned, kind...>) {
        (evaluateInto<kind>(words, ops, deferred[kind], deferred[kind + 1], next), ...);
    }(std::make_integer_sequence<unsigned, kOpKinds>{});
    std::uint64_t moved = 0;
    std::uint64_t reached = 0;
    [&]<unsigned... kind>(std::integer_sequence<unsigned, kind...>) {
        (evaluateAndStore<kind, watchNets>(words, ops, direct[kind], direct[kind + 1], moved, reached), ...);
    }(std::make_integer_sequence<unsigned, kOpKinds>{});
    for (std::uint32_t k = range.begin; k < range.direct; ++k)
        storeOp<watchNets>(words, ops[k], next[k], moved, reached);
    if (!range.empty())
        ++m_edgeCount;
    finishEdge(moved, reached);
}

void CellFabric::finishEdge(std::uint64_t moved, std::uint64_t reached) {
    if (moved != 0)
        m_netMoved = true;
    if (reached != 0)
        m_settlePending = true;
    ++m_stateEpoch;
}

void CellFabric::fire(const Range* ranges, int count, int exceptColumn, const std::uint64_t* exceptRows) {
    if (exceptRows == nullptr) {
        // One group alone can store as it goes; groups clocked together read each other's cells
        // before any of them changes.
        int firing = 0;
        const Range* only = nullptr;
        for (int g = 0; g < count; ++g) {
            if (!ranges[g].empty()) {
                ++firing;
                only = &ranges[g];
            }
        }
        if (firing <= 1) {
            if (only != nullptr && only->netSources)
                fireGroup<true>(*only);
            else if (only != nullptr)
                fireGroup<false>(*only);
            else
                ++m_stateEpoch;
            return;
        }
    }
    // Every register of the edge samples its inputs before any of them changes.
    std::uint64_t* const words = m_bits.data();
    std::uint64_t* const next = m_next.data();
    const WordOp* const ops = m_regOps.data();
    for (int g = 0; g < count; ++g) {
        const std::uint32_t end = ranges[g].end;
        for (std::uint32_t k = ranges[g].begin; k < end; ++k)
            next[k] = evaluateAny(words, ops[k]);
    }
    // A register written by the access in progress keeps its written value: the rows' bits, placed
    // where the column lies in the packed words.
    const std::int64_t columnBit =
        exceptRows != nullptr ? std::int64_t{kWordBitBase} + std::int64_t{index(0, exceptColumn)} : 0;
    const auto excepted = [&](std::uint32_t word) {
        std::uint64_t bits = 0;
        for (int half = 0; half < 2; ++half) {
            const std::int64_t shift = columnBit + 64 * half - std::int64_t{64} * word;
            if (shift >= 0 && shift < 64)
                bits |= exceptRows[half] << shift;
            else if (shift < 0 && shift > -64)
                bits |= exceptRows[half] >> -shift;
        }
        return bits;
    };
    std::uint64_t moved = 0;
    std::uint64_t reached = 0;
    for (int g = 0; g < count; ++g) {
        const std::uint32_t end = ranges[g].end;
        for (std::uint32_t k = ranges[g].begin; k < end; ++k) {
            const WordOp& op = ops[k];
            const std::uint64_t mask = exceptRows == nullptr ? op.mask : op.mask & ~excepted(op.dst);
            const std::uint64_t old = words[op.dst];
            const std::uint64_t now = (old & ~mask) | (next[k] & mask);
            words[op.dst] = now;
            moved |= (old ^ now) & op.netSources;
            reached |= (old ^ now) & op.gateInputs;
        }
        if (!ranges[g].empty())
            ++m_edgeCount;
    }
    finishEdge(moved, reached);
}

} // namespace cellwatch
