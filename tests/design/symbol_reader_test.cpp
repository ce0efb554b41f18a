// The record syntax of .sym files: what loads, what each field becomes, and what fails with code 1.
#include "design/device_geometry.h"
#include "design/symbol_reader.h"
#include "design/symbol_table.h"

#include <gtest/gtest.h>

#include <string>

using namespace cellwatch;

namespace {

class SymbolSyntaxTest : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }

    const SymbolRecord& loadOne(const std::string& text) {
        EXPECT_TRUE(table.loadFromBuffer(text)) << text;
        EXPECT_EQ(SymbolTable::lastError(), 0);
        EXPECT_EQ(table.entryCount(), 1u);
        SymbolTable::NameIterator it(table);
        const std::string* name = it.first();
        static const SymbolRecord none;
        if (!name)
            return none;
        return *table.find(*name);
    }

    SymbolTable table;
};

} // namespace

TEST_F(SymbolSyntaxTest, BlankAndCommentOnlyFilesLoadEmpty) {
    for (const char* text : {"", "  \t\r\n\v\f", "# only a comment", "# one\n\n  # two\n"}) {
        EXPECT_TRUE(table.loadFromBuffer(text)) << text;
        EXPECT_TRUE(table.isLoaded());
        EXPECT_EQ(table.entryCount(), 0u);
        SymbolTable::NameIterator it(table);
        EXPECT_EQ(it.first(), nullptr);
    }
}

TEST_F(SymbolSyntaxTest, CellRecordFields) {
    const SymbolRecord& r = loadOne("S x 0 0 1 2 R S!");
    EXPECT_EQ(r.name, "x");
    EXPECT_FALSE(r.isColumnRecord);
    EXPECT_EQ(r.nameCount, 0);
    EXPECT_TRUE(r.extraName.empty());
    EXPECT_EQ(r.column, 1u);
    EXPECT_EQ(r.row, 2u);
    EXPECT_EQ(r.typeCode, kTypeR);
    EXPECT_EQ(r.kindCode, kKindS);
    EXPECT_TRUE(r.inverted);
}

TEST_F(SymbolSyntaxTest, RecordsSpanLinesAndShareLines) {
    const char* text = "# counter stage\n"
                       "S top\\cnt\\q3 2 top\\cnt\\d3 top\\cnt\\c2 0\n"
                       "  0x12 7 R S=\n"
                       "C top\\bus 4 0xff 0 W s tail 3 a b c 1 e$x 9 8 b c #comment\n";
    ASSERT_TRUE(table.loadFromBuffer(text));
    ASSERT_EQ(table.entryCount(), 3u);

    const SymbolRecord* q3 = table.find("top\\cnt\\q3");
    ASSERT_NE(q3, nullptr);
    EXPECT_EQ(q3->nameCount, 2);
    EXPECT_EQ(q3->names[0], "top\\cnt\\d3");
    EXPECT_EQ(q3->names[1], "top\\cnt\\c2");
    EXPECT_EQ(q3->column, 0x12u);
    EXPECT_EQ(q3->row, 7u);
    EXPECT_FALSE(q3->inverted);

    const SymbolRecord* bus = table.find("top\\bus");
    ASSERT_NE(bus, nullptr);
    EXPECT_TRUE(bus->isColumnRecord);
    EXPECT_EQ(bus->kindCode, kKindP);
    EXPECT_EQ(bus->typeCode, kTypeW);
    EXPECT_EQ(bus->column, 4u);
    EXPECT_EQ(bus->rowMask[0], 0xFFu);
    EXPECT_EQ(bus->rowMask[1], 0u);

    const SymbolRecord* tail = table.find("tail");
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail->nameCount, 3);
    EXPECT_EQ(tail->names[2], "c");
    EXPECT_EQ(tail->extraName, "e$x");
    EXPECT_EQ(tail->typeCode, kTypeB);
    EXPECT_EQ(tail->kindCode, kKindC);
}

TEST_F(SymbolSyntaxTest, LettersAreCaseInsensitiveAndTokensNeedNoBlanks) {
    const SymbolRecord& r = loadOne("sfoo 0 0 3 4 x p");
    EXPECT_EQ(r.name, "foo");
    EXPECT_EQ(r.typeCode, kTypeX);
    EXPECT_EQ(r.kindCode, kKindP);
    const SymbolRecord& w = loadOne("S y 0 0 3 4 WC=");
    EXPECT_EQ(w.typeCode, kTypeW);
    EXPECT_EQ(w.kindCode, kKindC);
}

TEST_F(SymbolSyntaxTest, FileMayEndRightAfterTheKindLetter) {
    const SymbolRecord& r = loadOne("S x 0 0 1 2 R S");
    EXPECT_FALSE(r.inverted);
}

TEST_F(SymbolSyntaxTest, NumberForms) {
    struct Case {
        const char* token;
        std::uint32_t value;
    };
    const Case cases[] = {{"0x1F", 31},
                          {"12", 12},
                          {"0123", 123},
                          {"12AB", 12},
                          {"0X1F", 0},
                          {"0x", 0},
                          {"0xx5", 0},
                          {"0xfFfFfFfF", 0xFFFFFFFF},
                          {"4294967295", 0xFFFFFFFF},
                          {"99999999999", 0xFFFFFFFF},
                          {"0x123456789", 0xFFFFFFFF}};
    for (const Case& c : cases) {
        const SymbolRecord& r = loadOne(std::string("S x 0 0 ") + c.token + " 0 R S");
        EXPECT_EQ(r.column, c.value) << c.token;
    }
}

TEST_F(SymbolSyntaxTest, ColumnRecordKeepsOnlyTheDeviceRowMaskWords) {
    const SymbolRecord& r64 = loadOne("C reg 5 1 2 3 4 5 R");
    EXPECT_EQ(r64.rowMask[0], 1u);
    EXPECT_EQ(r64.rowMask[1], 2u);
    EXPECT_EQ(r64.rowMask[2], 0u);
    EXPECT_EQ(r64.rowMask[3], 0u);
    EXPECT_EQ(r64.row, 0u);

    selectDevice(0);
    const SymbolRecord& r48 = loadOne("C reg 5 1 2 R");
    EXPECT_EQ(r48.rowMask[0], 1u);
    EXPECT_EQ(r48.rowMask[1], 0u);

    selectDevice(3);
    const SymbolRecord& r128 = loadOne("C reg 5 1 2 3 4 5 6 R");
    EXPECT_EQ(r128.rowMask[3], 4u);

    const SymbolRecord& bare = loadOne("C reg 5 B");
    EXPECT_EQ(bare.typeCode, kTypeB);
}

TEST_F(SymbolSyntaxTest, IdentifierLengthLimit) {
    const std::string longest(SymbolReader::kMaxIdentifier, 'a');
    EXPECT_EQ(loadOne("S " + longest + " 0 0 1 2 R S").name, longest);

    const std::string tooLong(SymbolReader::kMaxIdentifier + 1, 'a');
    for (const std::string& text : {"S " + tooLong + " 0 0 1 2 R S", "S x 1 " + tooLong + " 0 1 2 R S",
                                    "S x 0 1 " + tooLong + " 1 2 R S", "C " + tooLong + " 1 R"}) {
        EXPECT_FALSE(table.loadFromBuffer(text));
        EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kBadSymbolRecord);
        EXPECT_FALSE(table.isLoaded());
    }
}

// Every way a record can break the syntax fails the whole load with code 1.
class BadRecordTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadRecordTest, FailsWithCodeOne) {
    SymbolTable table;
    // A good record first: the failed load must not keep it.
    const std::string text = std::string("S good 0 0 1 1 R S\n") + GetParam();
    SymbolTable::setLastError(0);
    EXPECT_FALSE(table.loadFromBuffer(text));
    EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kBadSymbolRecord);
    EXPECT_FALSE(table.isLoaded());
    EXPECT_EQ(table.entryCount(), 0u);
    EXPECT_EQ(table.bucketCount(), 0u);
    EXPECT_EQ(table.find("good"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, BadRecordTest,
    ::testing::Values("S x 4 a b c d 0 1 2 R S",   // more than three names
                      "S x 0 2 1 2 R S",           // extra-name count above 1
                      "S x 0 1 1 2 R S",           // extra name announced but a number follows
                      "S x 0 0 1 2 R Q",           // unknown kind
                      "S x 0 0 1 2 Z S",           // unknown type
                      "S x 0 0 1 2 $ S",           // a letter-class character that is no type
                      "S x 0 0 1 2 R",             // file ends before the kind
                      "S x 0 0 1 R S",             // row missing
                      "S x 0 0 R S",               // column missing
                      "S x a 0 1 2 R S",           // name count missing
                      "S x 2 a 0 1 2 R S",         // too few further names
                      "S 9x 0 0 1 2 R S",          // name starts with a digit
                      "S",                         // nothing after the record letter
                      "Q x 0 0 1 2 R S",           // unknown record letter
                      "1",                         // a number where a record letter belongs
                      "S x 0 0 1 2 R S !",         // the mark must touch the kind letter
                      "S x 0 0 1 2 R S=!",         // one mark only
                      "S x 0 0 -1 2 R S",          // no signs
                      "C y R",                     // column missing
                      "C y 3 4",                   // type missing
                      "C y 3 4 K",                 // unknown type
                      "C y 3 4 5 S x 0 0 1 2 R S", // kind letter S taken as the type
                      "S x 4294967296 0 1 2 R S",  // a huge count never wraps to a small one
                      "S x 0 0 1 2 R S\n\x01"));   // a control byte where a record belongs

TEST(SymbolReaderTest, MissingExtraCountLeavesTheTokenForTheColumn) {
    // Without the count the column read meets the identifier that follows and fails.
    SymbolTable table;
    EXPECT_FALSE(table.loadFromBuffer("S x 1 a b 1 2 R S"));
    EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kBadSymbolRecord);
}

TEST(SymbolReaderTest, EmbeddedNulIsNotTheEndOfTheFile) {
    SymbolTable table;
    const std::string text("S a 0 0 1 2 R S\0S b 0 0 1 2 R S", 31);
    EXPECT_FALSE(table.loadFromBuffer(text));
    EXPECT_EQ(SymbolTable::lastError(), SymbolTable::kBadSymbolRecord);
}
