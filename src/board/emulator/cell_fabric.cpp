#include "board/emulator/cell_fabric.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>

namespace cellwatch {

namespace {

// A chain of cells that clock each other (a ripple counter) settles in at most one round per clock
// net; the extra rounds bound oscillating feedback a hand-written configuration may contain.
constexpr int kExtraCascadeRounds = 2;

} // namespace

CellFabric::CellFabric(int cellsPerSide)
    : m_cells(cellsPerSide), m_count(static_cast<std::uint32_t>(cellsPerSide * cellsPerSide)),
      m_state(m_count + 2, 0), m_readXor(m_count, 0), m_config(3u * m_count, 0),
      m_flags(m_count + 2, 0), m_userStart(m_count + 3, 0), m_readStrobe(static_cast<std::size_t>(cellsPerSide)),
      m_accessStrobe(static_cast<std::size_t>(cellsPerSide)) {
    m_state[m_count + 1] = 1;
}

void CellFabric::reset() {
    std::fill(m_config.begin(), m_config.end(), 0u);
    std::fill(m_state.begin(), m_state.begin() + m_count, std::uint8_t{0});
    m_dirty = true;
    compile();
}

void CellFabric::clearRegisters() {
    ensureCompiled();
    std::vector<std::uint8_t> isComb; // rare operation: a temporary is fine here
    isComb.assign(m_count, 0);
    for (const Logic& l : m_comb)
        isComb[l.self] = 1;
    for (std::uint32_t i = 0; i < m_count; ++i)
        if (!isComb[i])
            m_state[i] = 0;
    m_settleAll = true;
    settleChanges();
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
    int k = 0;
    if (std::endian::native == std::endian::little && count > 0 && rows[count - 1] - rows[0] == count - 1) {
        // Ascending rows with no gap: the column's cells lie side by side, eight bits at a time.
        const std::uint8_t* state = m_state.data() + base + rows[0];
        const std::uint8_t* inverted = m_readXor.data() + base + rows[0];
        for (; k + 8 <= count; k += 8) {
            std::uint64_t bytes = 0;
            std::uint64_t xors = 0;
            std::memcpy(&bytes, state + k, 8);
            std::memcpy(&xors, inverted + k, 8);
            // Each byte is 0 or 1: the multiply gathers byte j's bit at bit 56 + j.
            value |= static_cast<std::uint32_t>(((bytes ^ xors) * 0x0102040810204080ull) >> 56) << k;
        }
        for (; k < count; ++k)
            value |= static_cast<std::uint32_t>(state[k] ^ inverted[k]) << k;
    } else {
        for (; k < count; ++k) {
            const std::uint32_t i = base + rows[k];
            value |= static_cast<std::uint32_t>(m_state[i] ^ m_readXor[i]) << k;
        }
    }
    const Range strobes[2] = {m_readStrobe[static_cast<std::size_t>(column)],
                              m_accessStrobe[static_cast<std::size_t>(column)]};
    if (!strobes[0].empty() || !strobes[1].empty()) {
        m_changed = 0;
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
    m_changed = 0;
    std::uint8_t* const state = m_state.data();
    for (int k = 0; k < count; ++k) {
        const std::uint8_t row = rows[k];
        const auto bit = static_cast<std::uint8_t>((value >> k) & 1u);
        if (state[base + row] != bit)
            writeState(base + row, bit);
    }
    if (!strobe.empty())
        for (int k = 0; k < count; ++k)
            written[rows[k] >> 6] |= std::uint64_t{1} << (rows[k] & 63);
    settleAndCascade();
    if (!strobe.empty()) {
        m_changed = 0;
        fire(&strobe, 1, column, written);
        settleAndCascade();
    }
}

bool CellFabric::state(int row, int column) {
    if (!inside(row, column))
        return false;
    ensureCompiled();
    return m_state[index(row, column)] != 0;
}

bool CellFabric::readBack(int row, int column) {
    if (!inside(row, column))
        return false;
    ensureCompiled();
    const std::uint32_t i = index(row, column);
    return (m_state[i] ^ m_readXor[i]) != 0;
}

void CellFabric::setState(int row, int column, bool value) {
    if (!inside(row, column))
        return;
    ensureCompiled();
    m_changed = 0;
    writeState(index(row, column), value ? 1 : 0);
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
    m_comb.clear();
    m_regs.clear();
    m_nets.clear();
    std::fill(m_readStrobe.begin(), m_readStrobe.end(), Range{});
    std::fill(m_accessStrobe.begin(), m_accessStrobe.end(), Range{});

    // (kind, key, logic): kind 0 cell-output net keyed by the clock cell, 1 read strobe, 2 access strobe,
    // both keyed by column.
    std::vector<std::tuple<int, std::uint32_t, Logic>> clocked;
    for (int column = 0; column < m_cells; ++column) {
        for (int row = 0; row < m_cells; ++row) {
            const std::uint32_t i = index(row, column);
            const std::uint32_t* w = &m_config[3u * i];
            m_readXor[i] = static_cast<std::uint8_t>((w[2] >> 28) & 1u);
            if ((w[2] & 0xF0u) == 0)
                continue; // storage: the common case, decoded no further
            const CellConfig c = CellConfig::decode(w[0], w[1], w[2]);
            const Logic l{i, sourceIndex(c.inputA), sourceIndex(c.inputB), c.table};
            if (c.mode == CellMode::Combinational) {
                m_comb.push_back(l);
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
    // combinational loop keep address order after the rest; each settle evaluates them once.
    {
        std::vector<std::int32_t> position(m_count + 2, -1);
        for (std::size_t k = 0; k < m_comb.size(); ++k)
            position[m_comb[k].self] = static_cast<std::int32_t>(k);
        std::vector<int> pending(m_comb.size(), 0);
        std::vector<std::vector<std::uint32_t>> users(m_comb.size());
        for (std::size_t k = 0; k < m_comb.size(); ++k) {
            for (std::uint32_t in : {m_comb[k].a, m_comb[k].b}) {
                const std::int32_t p = position[in];
                if (p >= 0) {
                    ++pending[k];
                    users[static_cast<std::size_t>(p)].push_back(static_cast<std::uint32_t>(k));
                }
            }
        }
        std::vector<Logic> ordered;
        ordered.reserve(m_comb.size());
        std::vector<std::uint32_t> ready;
        std::vector<std::uint8_t> placed(m_comb.size(), 0);
        for (std::size_t k = 0; k < m_comb.size(); ++k)
            if (pending[k] == 0)
                ready.push_back(static_cast<std::uint32_t>(k));
        for (std::size_t head = 0; head < ready.size(); ++head) {
            const std::uint32_t k = ready[head];
            ordered.push_back(m_comb[k]);
            placed[k] = 1;
            for (std::uint32_t u : users[k])
                if (--pending[u] == 0)
                    ready.push_back(u);
        }
        m_gatesAcyclic = true;
        for (std::size_t k = 0; k < m_comb.size(); ++k) {
            if (!placed[k]) {
                ordered.push_back(m_comb[k]);
                m_gatesAcyclic = false;
            }
        }
        m_comb.swap(ordered);
    }
    indexGates();

    std::stable_sort(clocked.begin(), clocked.end(), [](const auto& x, const auto& y) {
        return std::get<0>(x) != std::get<0>(y) ? std::get<0>(x) < std::get<0>(y)
                                                : std::get<1>(x) < std::get<1>(y);
    });
    m_regs.reserve(clocked.size());
    for (std::size_t k = 0; k < clocked.size();) {
        const int kind = std::get<0>(clocked[k]);
        const std::uint32_t key = std::get<1>(clocked[k]);
        Range r;
        r.begin = static_cast<std::uint32_t>(m_regs.size());
        for (; k < clocked.size() && std::get<0>(clocked[k]) == kind && std::get<1>(clocked[k]) == key; ++k)
            m_regs.push_back(std::get<2>(clocked[k]));
        r.end = static_cast<std::uint32_t>(m_regs.size());
        if (kind == 0)
            m_nets.push_back(ClockNet{key, 0, r});
        else if (kind == 1)
            m_readStrobe[key] = r;
        else
            m_accessStrobe[key] = r;
    }
    m_next.assign(m_regs.size(), 0);
    m_firing.clear();
    m_firing.reserve(m_nets.size() + 2);
    for (const ClockNet& n : m_nets)
        m_flags[n.source] |= kNetSource;

    m_settleAll = true;
    settleChanges();
    rememberClockNets();
}

void CellFabric::indexGates() {
    std::fill(m_flags.begin(), m_flags.end(), std::uint8_t{0});
    std::fill(m_userStart.begin(), m_userStart.end(), 0u);
    m_users.clear();
    for (const Logic& l : m_comb)
        m_flags[l.self] |= kGate;
    m_pending.assign((m_comb.size() + 63) / 64, 0);
    m_pendingLow = m_pending.size();
    m_followChanges = m_gatesAcyclic && m_comb.size() >= kFollowedGates;
    if (!m_gatesAcyclic)
        return; // a loop is settled in full after every change: no inputs to tell apart
    for (const Logic& l : m_comb) {
        m_flags[l.a] |= kFeedsGate;
        m_flags[l.b] |= kFeedsGate;
    }
    if (!m_followChanges)
        return;
    // Counting sort of (input, position) pairs: each cell's users come out in ascending position.
    for (const Logic& l : m_comb) {
        ++m_userStart[l.a + 1];
        if (l.b != l.a)
            ++m_userStart[l.b + 1];
    }
    for (std::size_t c = 1; c < m_userStart.size(); ++c)
        m_userStart[c] += m_userStart[c - 1];
    m_users.resize(m_userStart.back());
    std::vector<std::uint32_t> fill(m_userStart.begin(), m_userStart.end() - 1);
    for (std::size_t k = 0; k < m_comb.size(); ++k) {
        const Logic& l = m_comb[k];
        m_users[fill[l.a]++] = static_cast<std::uint32_t>(k);
        if (l.b != l.a)
            m_users[fill[l.b]++] = static_cast<std::uint32_t>(k);
    }
}

// The loops below work on local copies of the array pointers: every byte they store could alias a
// member, so the compiler would otherwise load each pointer again after each store.
namespace {

inline std::uint8_t evalAt(const std::uint8_t* state, std::uint32_t a, std::uint32_t b, std::uint8_t table) {
    return static_cast<std::uint8_t>((table >> (state[a] | (state[b] << 1))) & 1u);
}

} // namespace

void CellFabric::settle() {
    std::uint8_t* const state = m_state.data();
    const Logic* l = m_comb.data();
    const Logic* const end = l + m_comb.size();
    for (; l != end; ++l)
        state[l->self] = evalAt(state, l->a, l->b, l->table);
}

void CellFabric::rememberClockNets() {
    for (ClockNet& n : m_nets)
        n.previous = m_state[n.source];
}

void CellFabric::writeState(std::uint32_t cell, std::uint8_t value) {
    if (m_state[cell] == value)
        return;
    m_state[cell] = value;
    if (m_flags[cell] & kGate)
        m_settleAll = true; // the settle puts the gate's own value back
    m_changed |= noteChange(cell);
}

void CellFabric::markUsers(std::uint32_t cell) {
    const std::uint32_t* user = m_users.data() + m_userStart[cell];
    const std::uint32_t* const end = m_users.data() + m_userStart[cell + 1];
    if (user == end)
        return;
    if ((*user >> 6) < m_pendingLow)
        m_pendingLow = *user >> 6;
    std::uint64_t* const pending = m_pending.data();
    for (; user != end; ++user)
        pending[*user >> 6] |= std::uint64_t{1} << (*user & 63);
}

void CellFabric::settleChanges() {
    if (!m_followChanges) {
        // Loops are settled after every change; acyclic gates when a change reached one of them.
        if (m_settleAll || !m_gatesAcyclic) {
            m_settleAll = false;
            settle();
            m_changed = kAnyChange; // which cells moved is not known
        }
        return;
    }
    if (m_pendingLow < m_pending.size() || m_settleAll)
        settlePending();
}

void CellFabric::settlePending() {
    if (m_settleAll) {
        m_settleAll = false;
        settle();
        if (m_pendingLow < m_pending.size()) {
            std::fill(m_pending.begin() + static_cast<std::ptrdiff_t>(m_pendingLow), m_pending.end(), 0u);
            m_pendingLow = m_pending.size();
        }
        m_changed = kAnyChange; // which cells moved is not known
        return;
    }
    // Users of a gate come after it in evaluation order, so the marks a changed gate makes are
    // all still ahead of this scan.
    std::uint8_t* const state = m_state.data();
    std::uint64_t* const pending = m_pending.data();
    const Logic* const comb = m_comb.data();
    const std::size_t words = m_pending.size();
    std::uint8_t changed = 0;
    for (std::size_t w = m_pendingLow; w < words; ++w) {
        while (pending[w] != 0) {
            const std::uint64_t bits = pending[w];
            pending[w] = bits & (bits - 1);
            const Logic& l = comb[64 * w + static_cast<std::size_t>(std::countr_zero(bits))];
            const std::uint8_t now = evalAt(state, l.a, l.b, l.table);
            if (state[l.self] != now) {
                state[l.self] = now;
                changed |= noteChange(l.self);
            }
        }
    }
    m_pendingLow = words;
    m_changed |= changed;
}

void CellFabric::settleAndCascade() {
    settleChanges();
    const int rounds = static_cast<int>(m_nets.size()) + kExtraCascadeRounds;
    const std::uint8_t* const state = m_state.data();
    for (int round = 0; round < rounds && !m_nets.empty(); ++round) {
        // Every net's previous value is its source's value at rest: no source moved, no edge.
        if ((m_changed & kNetSource) == 0)
            return;
        m_changed = 0;
        m_firing.clear();
        for (ClockNet& n : m_nets) {
            const std::uint8_t now = state[n.source];
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

void CellFabric::fire(const Range* ranges, int count, int exceptColumn, const std::uint64_t* exceptRows) {
    // Every register of the edge samples its inputs before any of them changes.
    std::uint8_t* const state = m_state.data();
    std::uint8_t* const next = m_next.data();
    const Logic* const regs = m_regs.data();
    // Bounds in locals: each byte stored could alias them.
    for (int g = 0; g < count; ++g) {
        const std::uint32_t end = ranges[g].end;
        for (std::uint32_t k = ranges[g].begin; k < end; ++k)
            next[k] = evalAt(state, regs[k].a, regs[k].b, regs[k].table);
    }
    const std::uint32_t columnBase =
        exceptColumn >= 0 ? index(0, exceptColumn) : m_count; // m_count: no cell is excepted
    const auto cells = static_cast<std::uint32_t>(m_cells);
    // A register written by the access in progress keeps its written value.
    const auto excepted = [&](std::uint32_t self) {
        if (exceptRows == nullptr || self < columnBase || self >= columnBase + cells)
            return false;
        const std::uint32_t row = self - columnBase;
        return ((exceptRows[row >> 6] >> (row & 63)) & 1u) != 0;
    };
    if (!m_followChanges) {
        // Gates settled in full after every edge: nothing to note per register.
        for (int g = 0; g < count; ++g) {
            const std::uint32_t end = ranges[g].end;
            if (exceptRows == nullptr) {
                for (std::uint32_t k = ranges[g].begin; k < end; ++k)
                    state[regs[k].self] = next[k];
            } else {
                for (std::uint32_t k = ranges[g].begin; k < end; ++k) {
                    const std::uint32_t self = regs[k].self;
                    if (!excepted(self))
                        state[self] = next[k];
                }
            }
            if (!ranges[g].empty())
                ++m_edgeCount;
        }
        m_settleAll = true;
        return;
    }
    std::uint8_t changed = 0;
    for (int g = 0; g < count; ++g) {
        const std::uint32_t end = ranges[g].end;
        for (std::uint32_t k = ranges[g].begin; k < end; ++k) {
            const std::uint32_t self = regs[k].self;
            if (excepted(self))
                continue;
            if (state[self] != next[k]) {
                state[self] = next[k];
                changed |= noteChange(self);
            }
        }
        if (!ranges[g].empty())
            ++m_edgeCount;
    }
    m_changed |= changed;
}

} // namespace cellwatch
