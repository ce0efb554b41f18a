#include "board/emulator/design_builder.h"

#include "common/atomic_file.h"

#include <cstdio>

namespace cellwatch {

namespace {

int modeOfCells(int cells) {
    return cells == 48 ? 0 : cells == 96 ? 2 : cells == 128 ? 3 : 1;
}

void appendf(std::string& out, const char* format, unsigned a, unsigned b) {
    char line[64];
    const int n = std::snprintf(line, sizeof line, format, a, b);
    if (n > 0)
        out.append(line, static_cast<std::size_t>(n));
}

} // namespace

DesignBuilder::DesignBuilder(int cellsPerSide, std::string title)
    : m_geometry(geometryOfMode(modeOfCells(cellsPerSide))), m_title(std::move(title)) {}

void DesignBuilder::storage(const std::string& name, int row, int column, char kind) {
    cell(name, row, column, CellConfig{}, kind);
}

void DesignBuilder::registered(const std::string& name, int row, int column, CellSource a, CellSource b,
                               std::uint8_t table, ClockKind clock, int clockRow, int clockColumn,
                               bool invertedReadBack) {
    CellConfig c;
    c.inputA = a;
    c.inputB = b;
    c.table = table;
    c.mode = CellMode::Registered;
    c.clock = clock;
    c.clockRow = clockRow;
    c.clockColumn = clockColumn;
    c.invertedReadBack = invertedReadBack;
    cell(name, row, column, c, 'S');
}

void DesignBuilder::combinational(const std::string& name, int row, int column, CellSource a, CellSource b,
                                  std::uint8_t table, bool invertedReadBack) {
    CellConfig c;
    c.inputA = a;
    c.inputB = b;
    c.table = table;
    c.mode = CellMode::Combinational;
    c.invertedReadBack = invertedReadBack;
    cell(name, row, column, c, 'C');
}

void DesignBuilder::cell(const std::string& name, int row, int column, const CellConfig& config, char kind,
                         char type) {
    if (!name.empty())
        m_symbols.push_back(Symbol{name, row, column, type, kind, config.invertedReadBack});
    m_cells.push_back(Placed{name, row, column, config});
}

std::string DesignBuilder::symText() const {
    std::string out;
    if (!m_title.empty())
        out += "# " + m_title + "\n";
    for (const Symbol& s : m_symbols) {
        out += "S " + s.name + " 0 0 ";
        out += std::to_string(s.column) + " " + std::to_string(s.row) + " ";
        out += s.type;
        out += ' ';
        out += s.kind;
        out += s.inverted ? "!\n" : "=\n";
    }
    return out;
}

std::string DesignBuilder::calText() const {
    std::string out;
    if (!m_title.empty())
        out += "# " + m_title + "\n";
    out += "# address value: words 0-2 of a cell are input A, input B and its function\n";
    for (const Placed& p : m_cells) {
        const std::uint32_t words[3] = {p.config.inputA.encode(), p.config.inputB.encode(),
                                        p.config.functionWord()};
        if (words[0] == 0 && words[1] == 0 && words[2] == 0)
            continue; // storage is what every cell is after a reset
        out += "# " + (p.name.empty() ? std::string("(unnamed)") : p.name) + " row " + std::to_string(p.row) +
               " column " + std::to_string(p.column) + "\n";
        for (int offset = 0; offset < 3; ++offset) {
            const std::uint32_t address = static_cast<std::uint32_t>(p.column) << m_geometry.columnShift |
                                          static_cast<std::uint32_t>(offset) << m_geometry.offsetShift |
                                          static_cast<std::uint32_t>(p.row);
            appendf(out, "%04X %X\n", address, words[offset]);
        }
    }
    return out;
}

bool DesignBuilder::write(const std::string& basePath) const {
    return (saveFileAtomically(basePath + ".sym", symText()) == SaveResult::Ok) &&
           (saveFileAtomically(basePath + ".cal", calText()) == SaveResult::Ok);
}

} // namespace cellwatch
