#pragma once
// The emulated LC3400's cell array: one state bit and three configuration words per cell. The
// configuration is compiled lazily into an evaluation order and clock groups, so the host's column
// accesses and the clock edges they cause cost no allocation.

#include "board/emulator/cell_config.h"

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
    struct Range {
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
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
    // Per-cell facts for the access paths.
    static constexpr std::uint8_t kNetSource = 1; // the source of a clock net
    static constexpr std::uint8_t kFeedsGate = 2; // an input of a gate, when the gates have no loop
    static constexpr std::uint8_t kGate = 4;      // a combinational cell
    static constexpr std::uint8_t kAnyChange = 0xFF;

    void ensureCompiled() {
        if (m_dirty)
            compile();
    }
    void compile();
    // Cell flags and gate users for the compiled gates.
    void indexGates();
    std::uint32_t sourceIndex(const CellSource& s) const;
    void settle();
    // Stores a host-written bit and notes what the change reaches.
    void writeState(std::uint32_t cell, std::uint8_t value);
    // Notes a changed cell: returns its flags for the net check and marks its gates for the next
    // settle.
    std::uint8_t noteChange(std::uint32_t cell) {
        const std::uint8_t flags = m_flags[cell];
        if (flags & kFeedsGate) {
            if (m_followChanges)
                markUsers(cell);
            else
                m_settleAll = true;
        }
        return flags;
    }
    void markUsers(std::uint32_t cell);
    // Brings the gates up to date with the changes noted since the last settle. Acyclic gates are
    // re-evaluated only where an input changed, in evaluation order, which gives the same state as
    // a full settle; gates with a loop are always settled in full.
    void settleChanges();
    // The followed gates' part of settleChanges: the marked gates, or all after a written gate.
    void settlePending();
    // Settles, then applies the edges of clock nets whose source rose, until none rises.
    void settleAndCascade();
    // Below this many gates a full settle costs less than following each change to its gates.
    static constexpr std::size_t kFollowedGates = 16;
    void rememberClockNets();
    // Applies one simultaneous edge to the registers of the given ranges; rows written by the
    // access in progress (exceptColumn, exceptRows) keep their written value.
    void fire(const Range* ranges, int count, int exceptColumn, const std::uint64_t* exceptRows);

    int m_cells;
    std::uint32_t m_count;               // cells in the array
    std::vector<std::uint8_t> m_state;   // m_count bits, then constant 0 and constant 1
    std::vector<std::uint8_t> m_readXor; // 1 for an inverted read-back
    std::vector<std::uint32_t> m_config; // three words per cell
    bool m_dirty = false;
    std::vector<std::uint8_t> m_flags; // per cell: kNetSource, kFeedsGate, kGate
    bool m_gatesAcyclic = true;        // the gates' evaluation order has no loop
    bool m_followChanges = false;      // acyclic gates, enough of them to settle only what changed

    // The gates each cell feeds, as positions in m_comb (ascending): cell c's are
    // m_users[m_userStart[c] .. m_userStart[c + 1]).
    std::vector<std::uint32_t> m_userStart;
    std::vector<std::uint32_t> m_users;
    // Gates (by position in m_comb) whose inputs changed since the last settle; empty at rest.
    std::vector<std::uint64_t> m_pending;
    std::size_t m_pendingLow = 0; // first word that may hold a pending gate; the size when none
    bool m_settleAll = false;      // a change the pending gates do not cover: settle every gate
    std::uint8_t m_changed = 0;    // flags of the cells changed since the nets were last compared

    std::vector<Logic> m_comb; // combinational cells in evaluation order
    std::vector<Logic> m_regs; // registered cells, grouped by clock
    std::vector<ClockNet> m_nets;
    std::vector<Range> m_readStrobe;   // per column
    std::vector<Range> m_accessStrobe; // per column
    std::vector<std::uint8_t> m_next;  // scratch: next state of each register
    std::vector<Range> m_firing;       // scratch: groups clocked by one edge
    std::uint64_t m_edgeCount = 0;
};

} // namespace cellwatch
