// The cell fabric against a plain model of the same rules: random designs (gates with and without
// loops, few and many, registers on every clock source) under random column writes, column reads,
// clears and single-cell writes. The model settles every gate and compares every clock net after
// each change, so a fabric that skips work it believes unneeded must still agree with it cell by
// cell, read by read and edge by edge.

#include "board/emulator/cell_fabric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

namespace cellwatch::test {
namespace {

class ReferenceFabric {
public:
    ReferenceFabric(int cells, const std::vector<CellConfig>& configs)
        : m_cells(cells), m_count(cells * cells), m_state(static_cast<std::size_t>(m_count) + 2, 0) {
        m_state[static_cast<std::size_t>(m_count) + 1] = 1;
        std::vector<int> combIndex(static_cast<std::size_t>(m_count), -1);
        for (int i = 0; i < m_count; ++i) {
            const CellConfig& c = configs[static_cast<std::size_t>(i)];
            m_inverted.push_back(c.invertedReadBack ? 1 : 0);
            const Logic l{i, source(c.inputA), source(c.inputB), c.table};
            if (c.mode == CellMode::Combinational) {
                combIndex[static_cast<std::size_t>(i)] = static_cast<int>(m_gates.size());
                m_gates.push_back(l);
            } else if (c.mode == CellMode::Registered && inside(c.clockRow, c.clockColumn)) {
                if (c.clock == ClockKind::CellOutput)
                    m_regs.push_back({l, Clock::Net, index(c.clockRow, c.clockColumn)});
                else if (c.clock == ClockKind::ColumnRead)
                    m_regs.push_back({l, Clock::Read, c.clockColumn});
                else if (c.clock == ClockKind::ColumnAccess)
                    m_regs.push_back({l, Clock::Access, c.clockColumn});
            }
        }
        // Gates whose inputs settle without a loop go first, in an order that has inputs first; the
        // rest (loops and what hangs off them) once each in address order.
        std::vector<std::uint8_t> placed(m_gates.size(), 0);
        for (bool progress = true; progress;) {
            progress = false;
            for (std::size_t k = 0; k < m_gates.size(); ++k) {
                if (placed[k])
                    continue;
                const int ia = m_gates[k].a < m_count ? combIndex[static_cast<std::size_t>(m_gates[k].a)] : -1;
                const int ib = m_gates[k].b < m_count ? combIndex[static_cast<std::size_t>(m_gates[k].b)] : -1;
                if ((ia < 0 || placed[static_cast<std::size_t>(ia)]) && (ib < 0 || placed[static_cast<std::size_t>(ib)])) {
                    placed[k] = 1;
                    m_order.push_back(m_gates[k]);
                    progress = true;
                }
            }
        }
        for (std::size_t k = 0; k < m_gates.size(); ++k)
            if (!placed[k])
                m_order.push_back(m_gates[k]);
        for (const Reg& r : m_regs)
            if (r.clock == Clock::Net && std::find(m_netSources.begin(), m_netSources.end(), r.key) == m_netSources.end())
                m_netSources.push_back(r.key);
        m_previous.assign(m_netSources.size(), 0);
        settle();
        remember();
    }

    std::uint32_t read(int column, const std::vector<std::uint8_t>& rows) {
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const int i = index(rows[k], column);
            value |= static_cast<std::uint32_t>(m_state[static_cast<std::size_t>(i)] ^ m_inverted[static_cast<std::size_t>(i)]) << k;
        }
        if (fire([&](const Reg& r) { return r.clock != Clock::Net && r.key == column; }, -1, {}))
            settleAndCascade();
        return value;
    }

    void write(int column, const std::vector<std::uint8_t>& rows, std::uint32_t value) {
        for (std::size_t k = 0; k < rows.size(); ++k)
            m_state[static_cast<std::size_t>(index(rows[k], column))] = static_cast<std::uint8_t>((value >> k) & 1u);
        settleAndCascade();
        if (fire([&](const Reg& r) { return r.clock == Clock::Access && r.key == column; }, column, rows))
            settleAndCascade();
    }

    void setState(int row, int column, bool value) {
        m_state[static_cast<std::size_t>(index(row, column))] = value ? 1 : 0;
        settleAndCascade();
    }

    void clearRegisters() {
        for (int i = 0; i < m_count; ++i)
            if (std::none_of(m_gates.begin(), m_gates.end(), [i](const Logic& g) { return g.self == i; }))
                m_state[static_cast<std::size_t>(i)] = 0;
        settle();
        remember();
    }

    bool state(int row, int column) const { return m_state[static_cast<std::size_t>(index(row, column))] != 0; }
    std::uint64_t edges() const { return m_edges; }

private:
    struct Logic {
        int self;
        int a;
        int b;
        std::uint8_t table;
    };
    enum class Clock { Net, Read, Access };
    struct Reg {
        Logic logic;
        Clock clock;
        int key; // net source cell, or the strobing column
    };

    bool inside(int row, int column) const { return row >= 0 && column >= 0 && row < m_cells && column < m_cells; }
    int index(int row, int column) const { return column * m_cells + row; }
    int source(const CellSource& s) const {
        if (s.kind == CellSource::Kind::One)
            return m_count + 1;
        if (s.kind == CellSource::Kind::Cell && inside(s.row, s.column))
            return index(s.row, s.column);
        return m_count;
    }
    std::uint8_t eval(const Logic& l) const {
        return static_cast<std::uint8_t>(
            (l.table >> (m_state[static_cast<std::size_t>(l.a)] | (m_state[static_cast<std::size_t>(l.b)] << 1))) & 1u);
    }
    void settle() {
        for (const Logic& l : m_order)
            m_state[static_cast<std::size_t>(l.self)] = eval(l);
    }
    void remember() {
        for (std::size_t n = 0; n < m_netSources.size(); ++n)
            m_previous[n] = m_state[static_cast<std::size_t>(m_netSources[n])];
    }
    // One simultaneous edge for the registers picked; false when none is picked. Each clock (a net,
    // a column's read strobe, its access strobe) with registers counts as one edge.
    template <typename Pick>
    bool fire(Pick pick, int exceptColumn, const std::vector<std::uint8_t>& exceptRows) {
        std::vector<std::pair<int, std::uint8_t>> next;
        std::vector<std::pair<Clock, int>> clocks;
        for (const Reg& r : m_regs) {
            if (!pick(r))
                continue;
            next.emplace_back(r.logic.self, eval(r.logic));
            if (std::find(clocks.begin(), clocks.end(), std::pair{r.clock, r.key}) == clocks.end())
                clocks.emplace_back(r.clock, r.key);
        }
        for (const auto& [self, value] : next) {
            const bool kept = self / m_cells == exceptColumn &&
                              std::find(exceptRows.begin(), exceptRows.end(), self % m_cells) != exceptRows.end();
            if (!kept)
                m_state[static_cast<std::size_t>(self)] = value;
        }
        m_edges += clocks.size();
        return !clocks.empty();
    }
    void settleAndCascade() {
        settle();
        const std::size_t rounds = m_netSources.size() + 2;
        for (std::size_t round = 0; round < rounds && !m_netSources.empty(); ++round) {
            std::vector<int> rising;
            for (std::size_t n = 0; n < m_netSources.size(); ++n) {
                const std::uint8_t now = m_state[static_cast<std::size_t>(m_netSources[n])];
                if (now && !m_previous[n])
                    rising.push_back(m_netSources[n]);
                m_previous[n] = now;
            }
            if (rising.empty())
                return;
            fire([&](const Reg& r) {
                return r.clock == Clock::Net && std::find(rising.begin(), rising.end(), r.key) != rising.end();
            }, -1, {});
            settle();
        }
        remember();
    }

    int m_cells;
    int m_count;
    std::vector<std::uint8_t> m_state;
    std::vector<std::uint8_t> m_inverted;
    std::vector<Logic> m_gates;
    std::vector<Logic> m_order;
    std::vector<Reg> m_regs;
    std::vector<int> m_netSources;
    std::vector<std::uint8_t> m_previous;
    std::uint64_t m_edges = 0;
};

struct DesignShape {
    int cells;
    int gatePercent;
    int registerPercent;
    bool loops; // gates may take inputs from gates at higher addresses, so loops can form
    // Inputs from neighbouring cells at a few distances and from a few cells many others share (an
    // enable, a feedback bit), as counters, shift registers and carry chains have them.
    bool regular = false;
};

void PrintTo(const DesignShape& s, std::ostream* out) {
    *out << s.cells << " cells a side, " << s.gatePercent << "% gates, " << s.registerPercent << "% registers"
         << (s.loops ? ", loops" : "") << (s.regular ? ", regular" : "");
}

class FabricAgainstReference : public ::testing::TestWithParam<DesignShape> {};

CellSource randomSource(std::mt19937& random, int cells, int below) {
    switch (random() % 8) {
    case 0:
        return CellSource::zero();
    case 1:
        return CellSource::one();
    case 2:
        return CellSource::cell(cells + 1, 0); // outside the array: reads as zero
    default: {
        const int i = static_cast<int>(random() % static_cast<std::uint32_t>(std::max(below, 1)));
        return CellSource::cell(i % cells, i / cells);
    }
    }
}

// A neighbour of cell i (or a shared cell) below address `below`, else constant 0.
CellSource regularSource(std::mt19937& random, int cells, int i, int below) {
    const int row = i % cells;
    const int column = i / cells;
    static constexpr int kShared[] = {0, 1, 5}; // a few low addresses many cells read
    int pick = -1;
    switch (random() % 10) {
    case 0: return CellSource::one();
    case 1: pick = kShared[random() % 3]; break;
    case 2: pick = i; break;                       // itself (a register's feedback)
    case 3: case 4: pick = i - 1; break;           // the row above: chains run down the column
    case 5: pick = i - 2; break;
    case 6: pick = i - cells; break;               // the same row of the column before
    case 7: pick = i - cells - 1; break;
    case 8: pick = row + 1 < cells ? i + 1 : i - 1; break;
    default: pick = column + 1 < cells ? i + cells : i - cells; break;
    }
    if (pick < 0 || pick >= below)
        return CellSource::zero();
    return CellSource::cell(pick % cells, pick / cells);
}

std::vector<CellConfig> randomDesign(std::mt19937& random, const DesignShape& shape) {
    const int count = shape.cells * shape.cells;
    std::vector<CellConfig> configs(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CellConfig& c = configs[static_cast<std::size_t>(i)];
        c.invertedReadBack = random() % 5 == 0;
        const int roll = static_cast<int>(random() % 100);
        if (roll < shape.gatePercent) {
            c.mode = CellMode::Combinational;
            // Without loops a gate reads only lower addresses, which every gate order respects.
            const int below = shape.loops ? count : i;
            c.inputA = shape.regular ? regularSource(random, shape.cells, i, below) : randomSource(random, shape.cells, below);
            c.inputB = shape.regular ? regularSource(random, shape.cells, i, below) : randomSource(random, shape.cells, below);
        } else if (roll < shape.gatePercent + shape.registerPercent) {
            c.mode = CellMode::Registered;
            c.inputA = shape.regular ? regularSource(random, shape.cells, i, count) : randomSource(random, shape.cells, count);
            c.inputB = shape.regular ? regularSource(random, shape.cells, i, count) : randomSource(random, shape.cells, count);
            c.clock = static_cast<ClockKind>(random() % 4);
            // A few clock cells, so that nets gather several registers.
            const int clockCell = static_cast<int>(random() % 6) * (count / 6);
            c.clockRow = clockCell % shape.cells;
            c.clockColumn = c.clock == ClockKind::CellOutput ? clockCell / shape.cells
                                                             : static_cast<int>(random() % 3);
        }
        c.table = static_cast<std::uint8_t>(random() % 16);
    }
    return configs;
}

// Ascending rows of one access: often a run without gaps (the gathered read), else any subset.
std::vector<std::uint8_t> randomRows(std::mt19937& random, int cells) {
    std::vector<std::uint8_t> rows;
    const int limit = std::min(cells, 32);
    if (random() % 2 == 0) {
        const int length = 1 + static_cast<int>(random() % static_cast<std::uint32_t>(limit));
        const int first = static_cast<int>(random() % static_cast<std::uint32_t>(cells - length + 1));
        for (int r = first; r < first + length; ++r)
            rows.push_back(static_cast<std::uint8_t>(r));
        return rows;
    }
    for (int r = 0; r < cells && static_cast<int>(rows.size()) < limit; ++r)
        if (random() % 3 == 0)
            rows.push_back(static_cast<std::uint8_t>(r));
    return rows;
}

TEST_P(FabricAgainstReference, AgreesCellByCellThroughRandomAccesses) {
    const DesignShape shape = GetParam();
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        const std::vector<CellConfig> configs = randomDesign(random, shape);
        CellFabric fabric(shape.cells);
        for (int i = 0; i < shape.cells * shape.cells; ++i) {
            const CellConfig& c = configs[static_cast<std::size_t>(i)];
            fabric.writeConfig(i % shape.cells, i / shape.cells, 0, c.inputA.encode());
            fabric.writeConfig(i % shape.cells, i / shape.cells, 1, c.inputB.encode());
            fabric.writeConfig(i % shape.cells, i / shape.cells, 2, c.functionWord());
        }
        (void)fabric.state(0, 0); // the configuration takes effect at the first access
        ReferenceFabric reference(shape.cells, configs);
        const std::uint64_t edgesBefore = fabric.edgeCount();

        for (int step = 0; step < 400; ++step) {
            const int column = static_cast<int>(random() % static_cast<std::uint32_t>(shape.cells));
            const std::vector<std::uint8_t> rows = randomRows(random, shape.cells);
            const int count = static_cast<int>(rows.size());
            const int action = static_cast<int>(random() % 20);
            if (action < 9) {
                const auto value = static_cast<std::uint32_t>(random());
                fabric.writeCells(column, rows.data(), count, value);
                reference.write(column, rows, value);
            } else if (action < 18) {
                ASSERT_EQ(fabric.readCells(column, rows.data(), count), reference.read(column, rows))
                    << "seed " << seed << " step " << step;
            } else if (action < 19) {
                const int row = static_cast<int>(random() % static_cast<std::uint32_t>(shape.cells));
                const bool value = random() % 2 != 0;
                fabric.setState(row, column, value);
                reference.setState(row, column, value);
            } else {
                fabric.clearRegisters();
                reference.clearRegisters();
            }
            for (int c = 0; c < shape.cells; ++c)
                for (int r = 0; r < shape.cells; ++r)
                    ASSERT_EQ(fabric.state(r, c), reference.state(r, c))
                        << "seed " << seed << " step " << step << " action " << action << " cell " << r << "," << c;
            ASSERT_EQ(fabric.edgeCount() - edgesBefore, reference.edges()) << "seed " << seed << " step " << step;
        }
    }
}

// Few gates are settled in full, many are followed change by change; loops are always settled in
// full. The 40-cell shapes give gathered reads of up to 32 adjacent rows.
INSTANTIATE_TEST_SUITE_P(Shapes, FabricAgainstReference,
                         ::testing::Values(DesignShape{6, 15, 30, false}, DesignShape{16, 25, 30, false},
                                           DesignShape{16, 25, 30, true}, DesignShape{40, 20, 10, false},
                                           DesignShape{40, 3, 20, true}));

// Regular designs put many cells of one word into one operation, with shared inputs, chains of
// gates inside a word and across its ends, and (on the 20- and 24-cell arrays) columns that start
// in the middle of a word.
INSTANTIATE_TEST_SUITE_P(RegularShapes, FabricAgainstReference,
                         ::testing::Values(DesignShape{20, 35, 35, false, true}, DesignShape{24, 30, 40, false, true},
                                           DesignShape{24, 20, 30, true, true}, DesignShape{16, 60, 20, false, true}));

} // namespace
} // namespace cellwatch::test
