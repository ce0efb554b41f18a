// The shipped examples: regenerating them gives the same bytes, their symbol tables read back with the
// design module's reader, and each design behaves as its script expects when loaded and clocked through
// the board layer only.

#include "board/board_driver.h"
#include "board/emulator/emulated_channel.h"
#include "board/emulator/example_designs.h"
#include "design/symbol_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace cellwatch::test {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string examplePath(const std::string& file) {
    return std::string(CELLWATCH_SOURCE_DIR) + "/examples/" + file;
}

TEST(Examples, RegeneratingGivesTheCommittedBytes) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("cellwatch_examples_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(writeExampleDesigns(folder.string()));
    int files = 0;
    for (const ExampleDesign& e : exampleDesigns()) {
        for (const char* ext : {".sym", ".cal", ".cmd"}) {
            const std::string name = e.name + ext;
            EXPECT_EQ(readFile((folder / name).string()), readFile(examplePath(name)))
                << name << " is stale: run gen_examples";
            ++files;
        }
    }
    EXPECT_EQ(files, 12);
    std::filesystem::remove_all(folder);
}

// A board opened and started as a session does, with the example's configuration loaded.
struct Session {
    explicit Session(const std::string& example) : board(makeEmulatedChannel(64)) {
        selectDevice(1);
        ok = board.error() == 0;
        board.resetBoard();
        board.setControlByte(200);
        board.setPort24Flag(0);
        ok = ok && board.identifyBoard() == 1;
        selectDevice(1);
        ok = ok && board.measureSram() == BoardDriver::kLargeSram;
        ok = ok && board.loadConfiguration(examplePath(example + ".cal").c_str()) == 0;
        ok = ok && board.setBusWidth(32) == 0;
        ok = ok && symbols.load(examplePath(example + ".sym"));
    }

    void place(const std::string& name, int& row, int& column) {
        AddressWord address = 0;
        ASSERT_TRUE(symbols.cellAddress(name, address)) << name;
        row = static_cast<int>(rowField(address));
        std::uint32_t c = 0;
        symbols.column(name, c);
        column = static_cast<int>(c);
    }
    // Writes one cell as the run engine does: the map selects its row, then the column is written.
    void assign(const std::string& name, std::uint32_t bit) {
        int row = 0, column = 0;
        place(name, row, column);
        RowMask mask;
        mask.makeFull();
        mask.clearRow(row);
        board.writeMapRegister(mask);
        board.writeColumn(column, bit);
    }
    // Reads the named cells (all in one column), first name in bit 0.
    std::uint32_t read(const std::string& prefix, int bits) {
        RowMask mask;
        mask.makeFull();
        int column = 0;
        for (int i = 0; i < bits; ++i) {
            int row = 0;
            place(prefix + std::to_string(i), row, column);
            mask.clearRow(row);
        }
        board.writeMapRegister(mask);
        return board.readColumn(column);
    }
    void regCycle(const std::string& clock) {
        assign(clock, 1);
        assign(clock, 0);
    }

    BoardDriver board;
    SymbolTable symbols;
    bool ok = false;
};

TEST(Examples, SymbolTablesReadBackWithTheirPlacesAndKinds) {
    SymbolTable table;
    ASSERT_TRUE(table.load(examplePath("counter8.sym")));
    EXPECT_EQ(table.entryCount(), 15u);
    std::uint32_t kind = 9, column = 0;
    ASSERT_TRUE(table.kindCode("COUNTER8\\CARRY3", kind));
    EXPECT_EQ(kind, 1u);
    ASSERT_TRUE(table.column("counter8\\q5", column));
    EXPECT_EQ(column, 1u);
    AddressWord address = 0;
    ASSERT_TRUE(table.cellAddress("counter8\\q5", address));
    EXPECT_EQ(address, 0x01C5u); // column 1, offset 3, row 5
}

TEST(Examples, Counter8CountsOnClockRegisterWrites) {
    Session s("counter8");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.read("counter8\\q", 8), 0u);
    for (int i = 0; i < 10; ++i)
        s.regCycle("counter8\\clk");
    EXPECT_EQ(s.read("counter8\\q", 8), 0x0Au);
    for (int i = 0; i < 250; ++i)
        s.regCycle("counter8\\clk");
    EXPECT_EQ(s.read("counter8\\q", 8), 0x04u);
    s.board.assertClear();
    EXPECT_EQ(s.read("counter8\\q", 8), 0u);
}

TEST(Examples, Shift16ShiftsItsInputIn) {
    Session s("shift16");
    ASSERT_TRUE(s.ok);
    for (std::uint32_t bit : {1u, 1u, 0u, 1u}) {
        s.assign("shift16\\din", bit);
        s.regCycle("shift16\\clk");
    }
    EXPECT_EQ(s.read("shift16\\s", 16), 0x000Du);
    for (int i = 0; i < 12; ++i)
        s.regCycle("shift16\\clk");
    EXPECT_EQ(s.read("shift16\\s", 16), 0xDFFFu);
    s.assign("shift16\\din", 0);
    for (int i = 0; i < 16; ++i)
        s.regCycle("shift16\\clk");
    EXPECT_EQ(s.read("shift16\\s", 16), 0u);
}

TEST(Examples, Lfsr4WalksItsSequence) {
    Session s("lfsr4");
    ASSERT_TRUE(s.ok);
    const std::uint32_t sequence[] = {0x1, 0x3, 0x7, 0xE, 0xD, 0xB, 0x6, 0xC,
                                      0x9, 0x2, 0x5, 0xA, 0x4, 0x8, 0x0};
    for (std::uint32_t expected : sequence) {
        s.regCycle("lfsr4\\clk");
        EXPECT_EQ(s.read("lfsr4\\l", 4), expected);
    }
}

TEST(Examples, CbufCounterCountsOneEdgePerReadOfTheClockColumn) {
    Session s("cbuf_counter");
    ASSERT_TRUE(s.ok);
    int clockRow = 0, clockColumn = 0;
    s.place("cbuf_counter\\clk", clockRow, clockColumn);
    for (int i = 0; i < 5; ++i)
        s.board.readColumn(clockColumn);
    EXPECT_EQ(s.read("cbuf_counter\\q", 4), 5u); // reading the counter's own column is no edge
    EXPECT_EQ(s.read("cbuf_counter\\q", 4), 5u);
    RowMask mask;
    mask.makeFull();
    for (int r = 0; r < 4; ++r)
        mask.clearRow(r);
    s.board.writeMapRegister(mask);
    s.board.writeColumn(1, 0b1001);
    s.board.readColumn(clockColumn);
    EXPECT_EQ(s.read("cbuf_counter\\q", 4), 0xAu);
}

} // namespace
} // namespace cellwatch::test
