#pragma once
// Builds a design for the emulated board in C++ and writes the matching symbol table (.sym) and
// configuration (.cal) pair, so examples and tests need no hand-kept files.

#include "board/emulator/cell_config.h"
#include "design/device_geometry.h"

#include <string>
#include <vector>

namespace cellwatch {

class DesignBuilder {
public:
    // A named cell as the symbol table lists it.
    struct Symbol {
        std::string name;
        int row;
        int column;
        char type; // R, B, W or X
        char kind; // S sequential, C combinational, P hidden
        bool inverted;
    };

    // cellsPerSide picks the member whose address layout the .cal file uses (48, 64, 96 or 128).
    explicit DesignBuilder(int cellsPerSide = 64, std::string title = {});

    const DeviceGeometry& geometry() const { return m_geometry; }

    // A plain storage cell: holds what is written (a clock register driven by REG 0/1, an input).
    void storage(const std::string& name, int row, int column, char kind = 'S');
    // A register taking f(a, b) on each edge of its clock.
    void registered(const std::string& name, int row, int column, CellSource a, CellSource b,
                    std::uint8_t table, ClockKind clock, int clockRow, int clockColumn,
                    bool invertedReadBack = false);
    // A gate whose output follows f(a, b).
    void combinational(const std::string& name, int row, int column, CellSource a, CellSource b,
                       std::uint8_t table, bool invertedReadBack = false);
    // Any cell configuration; with an empty name the cell gets no symbol record.
    void cell(const std::string& name, int row, int column, const CellConfig& config, char kind,
              char type = 'R');

    const std::vector<Symbol>& symbols() const { return m_symbols; }
    // The .sym text: one cell record per symbol, in the order they were added.
    std::string symText() const;
    // The .cal text: the three configuration words of every configured cell, one `address value` line each.
    std::string calText() const;
    // Writes base + ".sym" and base + ".cal", each atomically.
    bool write(const std::string& basePath) const;

private:
    struct Placed {
        std::string name;
        int row;
        int column;
        CellConfig config;
    };

    DeviceGeometry m_geometry;
    std::string m_title;
    std::vector<Symbol> m_symbols;
    std::vector<Placed> m_cells;
};

} // namespace cellwatch
