// The symbol table as a whole: error codes, paths, hashing and growth, lookups and address words.
#include "design/name_hash.h"
#include "design/symbol_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace cellwatch;

namespace {

std::string cellRecord(const std::string& name, int column = 1, int row = 2, const char* type = "R",
                       const char* kind = "S") {
    return "S " + name + " 0 0 " + std::to_string(column) + " " + std::to_string(row) + " " + type + " " +
           kind + "\n";
}

std::vector<std::string> iterationOrder(const SymbolTable& table) {
    std::vector<std::string> names;
    SymbolTable::NameIterator it(table);
    for (const std::string* n = it.first(); n; n = it.next())
        names.push_back(*n);
    return names;
}

// A temporary folder that holds one test's files.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/cellwatch-design-XXXXXX";
        m_path = ::mkdtemp(pattern) ? pattern : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = m_path + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        return path;
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

class SymbolTableTest : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }
};

} // namespace

TEST(SymbolTableErrors, TextsAndClamping) {
    const char* texts[] = {"No Errors Found",  "Bad Symbol Table Record", "Invalid File Found",
                           "Bad Table Record", "Error in Header",         "Error in File",
                           "Bad Error Number"};
    for (int code = 0; code <= 6; ++code)
        EXPECT_STREQ(SymbolTable::errorText(code), texts[code]);
    EXPECT_STREQ(SymbolTable::errorText(7), "Bad Error Number");
    EXPECT_STREQ(SymbolTable::errorText(-1), "Bad Error Number");
    SymbolTable::setLastError(42);
    EXPECT_EQ(SymbolTable::lastError(), 6);
    SymbolTable::setLastError(3);
    EXPECT_EQ(SymbolTable::lastError(), 3);
}

TEST(SymbolTablePath, DerivedFromTheArgument) {
    EXPECT_EQ(SymbolTable::symbolPath("design"), "design.sym");
    EXPECT_EQ(SymbolTable::symbolPath("design.txt"), "design.sym");
    EXPECT_EQ(SymbolTable::symbolPath("design.sym"), "design.sym");
    EXPECT_EQ(SymbolTable::symbolPath("a.b.symtab"), "a.b.symtab");
    EXPECT_EQ(SymbolTable::symbolPath("a.b.c"), "a.b.sym");
    EXPECT_EQ(SymbolTable::symbolPath("design."), "design.sym");
    // Linux file names are case-sensitive: keep the user's spelling of the extension.
    EXPECT_EQ(SymbolTable::symbolPath("DESIGN.SYM"), "DESIGN.SYM");
    // A dot in a folder name is no extension.
    EXPECT_EQ(SymbolTable::symbolPath("../designs/adder"), "../designs/adder.sym");
    EXPECT_EQ(SymbolTable::symbolPath("/home/u/v1.2/adder.cmd"), "/home/u/v1.2/adder.sym");
}

TEST(SymbolTableFile, LoadsThroughTheDerivedPath) {
    TempDir dir;
    const std::string path = dir.write("design.sym", cellRecord("top\\a"));
    SymbolTable::setLastError(5);
    SymbolTable table(dir.path() + "/design.txt");
    EXPECT_TRUE(table.isLoaded());
    EXPECT_EQ(SymbolTable::lastError(), 0);
    EXPECT_EQ(table.fileName(), path);
    EXPECT_NE(table.find("top\\a"), nullptr);

    SymbolTable noExtension(dir.path() + "/design");
    EXPECT_TRUE(noExtension.isLoaded());
}

TEST(SymbolTableFile, FixtureFromTheSourceTree) {
    SymbolTable table(CELLWATCH_TEST_DATA "/design/counter.sym");
    ASSERT_TRUE(table.isLoaded()) << SymbolTable::errorText(SymbolTable::lastError());
    EXPECT_NE(table.find("counter\\q0"), nullptr);
    EXPECT_NE(table.find("counter\\bus"), nullptr);
}

TEST(SymbolTableFile, UnopenableFilesFailWithCodeTwo) {
    TempDir dir;
    SymbolTable table(dir.path() + "/missing.sym");
    EXPECT_FALSE(table.isLoaded());
    EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kInvalidFile);

    // A folder named like a symbol table opens on Linux but cannot be read.
    std::filesystem::create_directory(dir.path() + "/folder.sym");
    SymbolTable::setLastError(0);
    EXPECT_FALSE(table.load(dir.path() + "/folder.sym"));
    EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kInvalidFile);
}

TEST(SymbolTableFile, EmptyPathChangesNothing) {
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer(cellRecord("kept")));
    SymbolTable::setLastError(4);
    EXPECT_FALSE(table.load(""));
    EXPECT_EQ(SymbolTable::lastError(), 4);
    EXPECT_TRUE(table.isLoaded());
    EXPECT_NE(table.find("kept"), nullptr);
}

TEST(SymbolTableFile, ReloadReplacesTheRecordsAndFailureEmptiesTheTable) {
    TempDir dir;
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer(cellRecord("old")));
    ASSERT_TRUE(table.load(dir.write("new.sym", cellRecord("new"))));
    EXPECT_EQ(table.find("old"), nullptr);
    EXPECT_NE(table.find("new"), nullptr);
    EXPECT_EQ(table.entryCount(), 1u);

    EXPECT_FALSE(table.load(dir.path() + "/gone.sym"));
    EXPECT_FALSE(table.isLoaded());
    EXPECT_EQ(table.find("new"), nullptr);
    EXPECT_EQ(table.bucketCount(), 0u);
}

TEST(SymbolTableHash, KnownValues) {
    EXPECT_EQ(nameHash(""), 0u);
    EXPECT_EQ(nameHash("a"), 97u);
    EXPECT_EQ(nameHash("A"), 97u);
    EXPECT_EQ(nameHash("abcdefghij"), 180004458u); // long enough to fold the top nibble back in
    EXPECT_EQ(nameHash("Top\\CNT\\q3"), 44184867u);
    EXPECT_EQ(nextTableSize(0), 61u);
    EXPECT_EQ(nextTableSize(61), 89u);
    EXPECT_EQ(nextTableSize(16777212), 16777213u);
    EXPECT_EQ(nextTableSize(16777213), 0u);
}

TEST(SymbolTableGrowth, SixtySecondInsertGrowsTo89) {
    SymbolTable table;
    EXPECT_EQ(table.bucketCount(), 0u);
    std::string text;
    for (int i = 0; i < 61; ++i)
        text += cellRecord("r" + std::to_string(i));
    ASSERT_TRUE(table.loadFromBuffer(text));
    EXPECT_EQ(table.bucketCount(), 61u);
    EXPECT_EQ(table.entryCount(), 61u);

    ASSERT_TRUE(table.loadFromBuffer(text + cellRecord("r61")));
    EXPECT_EQ(table.bucketCount(), 89u);
    EXPECT_EQ(table.entryCount(), 62u);
    for (int i = 0; i < 62; ++i)
        EXPECT_NE(table.find("R" + std::to_string(i)), nullptr) << i;
}

// Iteration order is what the user sees in the hierarchy, so check it against an independent model
// of the chained table through several growths.
TEST(SymbolTableGrowth, IterationOrderFollowsTheChainsAfterGrowth) {
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i)
        names.push_back("blk" + std::to_string(i % 7) + "\\reg" + std::to_string(i * 37 % 1000));
    names.push_back("BLK0\\REG0"); // a duplicate in another case goes behind the first

    std::vector<std::vector<std::string>> model;
    std::size_t entries = 0;
    for (const std::string& name : names) {
        if (entries >= model.size()) {
            std::vector<std::vector<std::string>> grown(
                nextTableSize(static_cast<std::uint32_t>(model.size())));
            for (const auto& chain : model)
                for (const std::string& n : chain)
                    grown[nameHash(n) % grown.size()].push_back(n);
            model.swap(grown);
        }
        model[nameHash(name) % model.size()].push_back(name);
        ++entries;
    }
    std::vector<std::string> expected;
    for (const auto& chain : model)
        expected.insert(expected.end(), chain.begin(), chain.end());

    std::string text;
    for (const std::string& name : names)
        text += cellRecord(name);
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer(text));
    EXPECT_EQ(table.bucketCount(), 509u);
    EXPECT_EQ(iterationOrder(table), expected);
}

TEST_F(SymbolTableTest, FindIgnoresCaseAndReturnsTheFirstDuplicate) {
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer(cellRecord("top\\a", 1) + cellRecord("TOP\\A", 2)));
    EXPECT_EQ(table.entryCount(), 2u);
    const SymbolRecord* r = table.find("Top\\A");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->name, "top\\a");
    EXPECT_EQ(r->column, 1u);
    EXPECT_EQ(iterationOrder(table).size(), 2u);
    EXPECT_EQ(table.find("top\\b"), nullptr);
    EXPECT_EQ(SymbolTable().find("top\\a"), nullptr);
}

TEST_F(SymbolTableTest, CellAddressWords) {
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer(cellRecord("r", 5, 9) + cellRecord("x", 5, 9, "X") +
                                     cellRecord("wide", 70, 9) + "C col 5 0xff W\n"));
    AddressWord word = 0;
    EXPECT_TRUE(table.cellAddress("R", word));
    EXPECT_EQ(word, 0x05C9u);
    selectDevice(3);
    EXPECT_TRUE(table.cellAddress("r", word));
    EXPECT_EQ(word, 0x0B89u);
    selectDevice(1);

    word = 0;
    EXPECT_FALSE(table.cellAddress("x", word)); // type X: written, but not usable
    EXPECT_EQ(word, 0x05C9u);
    EXPECT_TRUE(table.cellAddress("wide", word));
    EXPECT_EQ((word >> 8) & 63u, 6u);
    EXPECT_TRUE(table.cellAddress("col", word));
    EXPECT_EQ(word, 0x05C0u);

    word = 1234;
    EXPECT_FALSE(table.cellAddress("missing", word));
    EXPECT_EQ(word, 1234u);
}

TEST_F(SymbolTableTest, FieldGettersLeaveOutputAloneWhenMissing) {
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer("S g 0 0 7 3 B C!\n"));
    std::uint32_t code = 99;
    std::uint8_t inverted = 99;
    EXPECT_TRUE(table.typeCode("g", code));
    EXPECT_EQ(code, kTypeB);
    EXPECT_TRUE(table.kindCode("g", code));
    EXPECT_EQ(code, kKindC);
    EXPECT_TRUE(table.column("G", code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(table.polarity("g", inverted));
    EXPECT_EQ(inverted, 1);

    code = 99;
    inverted = 99;
    EXPECT_FALSE(table.typeCode("h", code));
    EXPECT_FALSE(table.kindCode("h", code));
    EXPECT_FALSE(table.column("h", code));
    EXPECT_FALSE(table.polarity("h", inverted));
    EXPECT_EQ(code, 99u);
    EXPECT_EQ(inverted, 99);
}

TEST_F(SymbolTableTest, WrittenRecordsReadBackTheSame) {
    SymbolTable table;
    ASSERT_TRUE(table.loadFromBuffer("S a\\q 3 n1 n2 n3 1 ex 0x7f 63 b p!\n"
                                     "S a\\d 0 0 4 5 W C\nC a\\col 9 0x80000001 3 X\n"));
    std::string text;
    table.writeAll(text);
    SymbolTable again;
    ASSERT_TRUE(again.loadFromBuffer(text)) << text;
    EXPECT_EQ(iterationOrder(again), iterationOrder(table));
    for (const std::string& name : iterationOrder(table)) {
        const SymbolRecord* a = table.find(name);
        const SymbolRecord* b = again.find(name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->isColumnRecord, b->isColumnRecord);
        EXPECT_EQ(a->names, b->names);
        EXPECT_EQ(a->extraName, b->extraName);
        EXPECT_EQ(a->column, b->column);
        EXPECT_EQ(a->row, b->row);
        EXPECT_EQ(a->typeCode, b->typeCode);
        EXPECT_EQ(a->kindCode, b->kindCode);
        EXPECT_EQ(a->inverted, b->inverted);
        EXPECT_EQ(a->rowMask, b->rowMask);
    }
    std::string one;
    EXPECT_TRUE(table.writeOne(one, "A\\D"));
    EXPECT_EQ(one, "S a\\d 0 0 4 5 W C=\n");
    EXPECT_FALSE(table.writeOne(one, "nothing"));
}
