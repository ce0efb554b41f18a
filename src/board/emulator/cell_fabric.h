#pragma once
// The emulated LC3400's cell array: one state bit and three configuration words per cell. The
// configuration is compiled lazily into word operations (see word_ops.h): gates in an order that
// settles them and registers grouped by clock, so a clock edge costs per word of cells, and the
// host's column accesses and the edges they cause cost no allocation.

#include "board/emulator/cell_config.h"
#include "board/emulator/word_ops.h"

#include <cstdint>
#include <vector>

namespace cellwatch {

class CellFabric {
public:
    explicit CellFabric(int cellsPerSide);

    int cellsPerSide() const { return m_cells; }

    // Clears every configuration word and every state bit (the board reset).
    void reset();
    // Sets the stored bit of every storage and registered cell to 0 (the board's clear line). The
    // clear holds the registers, so outputs that rise meanwhile clock nothing.
    void clearRegisters();

    // Configuration words at column-offsets 0..2; out-of-range places are ignored or read 0.
    void writeConfig(int row, int column, int offset, std::uint32_t value);
    std::uint32_t configWord(int row, int column, int offset) const;
    CellConfig config(int row, int column) const;

    // Host state access. rows lists the addressed rows of the column in ascending order (at most 32);
    // bit k of the value belongs to rows[k]. Reads return the values before any strobe they cause.
    std::uint32_t readCells(int column, const std::uint8_t* rows, int count);
    void writeCells(int column, const std::uint8_t* rows, int count, std::uint32_t value);

    // Inspection: the stored bit, and what a state read of the cell returns (inverted when so configured).
    bool state(int row, int column);
    bool readBack(int row, int column);
    // Test and tool hook: sets a stored bit as a host write would, with the same settling and edges.
    void setState(int row, int column, bool value);

    // Clock edges the fabric has applied since construction (each group firing counts once).
    std::uint64_t edgeCount() const { return m_edgeCount; }

private:
    struct Logic {
        std::uint32_t self;
        std::uint32_t a;
        std::uint32_t b;
        std::uint8_t table;
    };
    // A clock group's operations in m_regOps: those at begin..direct must be stored after every
    // operation of the edge has read its inputs; those at direct..end read nothing an operation after
    // them writes, so an edge of this group alone may store each as soon as it is evaluated.
    struct Range {
        std::uint32_t begin = 0;
        std::uint32_t direct = 0;
        std::uint32_t end = 0;
        // Each part ordered by opKind: part p's operations of kind k are at
        // kinds[p][k] .. kinds[p][k + 1].
        std::uint32_t kinds[2][kOpKinds + 1] = {};
        bool netSources = false; // an operation of the group clocks a net
        bool empty() const { return begin == end; }
    };
    struct ClockNet {
        std::uint32_t source;
        std::uint8_t previous;
        Range regs;
    };

    bool inside(int row, int column) const {
        return row >= 0 && column >= 0 && row < m_cells && column < m_cells;
    }
    std::uint32_t index(int row, int column) const {
        return static_cast<std::uint32_t>(column) * static_cast<std::uint32_t>(m_cells) +
               static_cast<std::uint32_t>(row);
    }
    // The packed state bit of a cell (or of the constants m_count and m_count + 1).
    bool bit(std::uint32_t cell) const {
        const std::uint32_t b = cell + kWordBitBase;
        return (m_bits[b >> 6] >> (b & 63u)) & 1u;
    }
    void setBit(std::uint32_t cell, bool value) {
        const std::uint32_t b = cell + kWordBitBase;
        const std::uint64_t m = std::uint64_t{1} << (b & 63u);
        m_bits[b >> 6] = value ? m_bits[b >> 6] | m : m_bits[b >> 6] & ~m;
    }
    // Per-cell facts for the access paths.
    static constexpr std::uint8_t kNetSource = 1; // the source of a clock net
    static constexpr std::uint8_t kFeedsGate = 2; // an input of a gate, when the gates have no loop
    static constexpr std::uint8_t kGate = 4;      // a combinational cell

    void ensureCompiled() {
        if (m_dirty)
            compile();
    }
    void compile();
    std::uint32_t sourceIndex(const CellSource& s) const;
    // Evaluates every gate: the loop-free ones word by word, then those on or behind a loop one by
    // one in address order.
    void settle();
    // Settles the observed gates a read of packed bits first..last needs.
    void settleObserved(std::uint32_t firstBit, std::uint32_t lastBit) {
        if (!m_gates.observed.stages.empty())
            settleObservedBits(firstBit, lastBit);
    }
    void settleObservedBits(std::uint32_t firstBit, std::uint32_t lastBit);
    void settleCell(std::uint32_t cell) {
        const std::uint32_t b = cell + kWordBitBase;
        settleObserved(b, b);
    }
    // Stores a host-written bit and notes what the change reaches.
    void writeState(std::uint32_t cell, bool value);
    // Brings the gates up to date: loop-free gates when a change reached one of their inputs (a
    // settle then gives the same state however often it runs); gates with a loop at every call.
    void settleChanges();
    // Settles, then applies the edges of clock nets whose source rose, until none rises.
    void settleAndCascade();
    void rememberClockNets();
    // Applies one simultaneous edge to the registers of the given ranges; rows written by the
    // access in progress (exceptColumn, exceptRows) keep their written value.
    void fire(const Range* ranges, int count, int exceptColumn, const std::uint64_t* exceptRows);
    // fire for one group and no written rows: the edge of a clock net or of a read strobe.
    template <bool watchNets>
    void fireGroup(const Range& range);
    // What an edge's stores changed: clock-net sources (moved) and gate inputs (reached).
    void finishEdge(std::uint64_t moved, std::uint64_t reached);

    int m_cells;
    std::uint32_t m_count;                // cells in the array
    std::vector<std::uint64_t> m_bits;    // state bits, packed (see kWordBitBase), then 0 and 1
    std::vector<std::uint64_t> m_readXor; // 1 for an inverted read-back, packed alike
    std::vector<std::uint64_t> m_gateBits; // combinational cells, packed alike
    std::vector<std::uint32_t> m_config;  // three words per cell
    bool m_dirty = false;
    std::vector<std::uint8_t> m_flags; // per cell: kNetSource, kFeedsGate, kGate
    bool m_gatesAcyclic = true;        // the gates' evaluation order has no loop
    bool m_settlePending = false;      // a change reached the loop-free gates' inputs
    bool m_netMoved = false;           // a clock net's source changed since the nets were compared

    GatePrograms m_gates;          // loop-free gates, word by word
    bool m_gatesClockNets = false; // a loop-free gate is the source of a clock net
    // Observed gates are settled for a read when the state changed since they last were.
    std::uint64_t m_stateEpoch = 1; // counts changes of the state
    std::vector<std::uint64_t> m_observedEpoch; // per observed stage, the epoch it was settled in
    std::vector<Logic> m_looped; // gates on or behind a loop, in address order
    std::vector<WordOp> m_regOps; // registered cells, grouped by clock
    std::vector<ClockNet> m_nets;
    std::vector<Range> m_readStrobe;   // per column
    std::vector<Range> m_accessStrobe; // per column
    std::vector<std::uint64_t> m_next; // scratch: next value of each register operation
    std::vector<Range> m_firing;       // scratch: groups clocked by one edge
    std::uint64_t m_edgeCount = 0;
};

} // namespace cellwatch
