#pragma once
// One record of a symbol table file: a cell record (a named register or gate at a row and column)
// or a column record (a named column with its row mask). One class serves both kinds.

#include <array>
#include <cstdint>
#include <string>

namespace cellwatch {

// Type letters X R B W and kind letters S C P, as codes.
enum : std::uint32_t { kTypeX = 0, kTypeR = 1, kTypeB = 2, kTypeW = 3 };
enum : std::uint32_t { kKindS = 0, kKindC = 1, kKindP = 2 };

class SymbolRecord {
public:
    virtual ~SymbolRecord() = default;

    // Appends the record in the file's record syntax, so that reading it back gives the same record.
    virtual void write(std::string& out) const;

    SymbolRecord* next = nullptr; // the next record in the same hash chain
    std::string name;             // exactly as in the file
    std::uint32_t typeCode = kTypeX;
    std::uint32_t kindCode = kKindP; // a column record keeps P
    bool inverted = false;
    bool isColumnRecord = false;
    std::uint32_t column = 0;
    std::array<std::string, 3> names; // further names of a cell record, in file order
    std::string extraName;            // the optional fourth name; empty when absent
    std::uint8_t nameCount = 0;
    std::uint32_t row = 0;                  // cell records only
    std::array<std::uint32_t, 4> rowMask{}; // column records only

private:
    friend class SymbolTable;
    std::uint32_t m_hash = 0; // nameHash(name), cached while the record is filed
};

// The letter for a type or kind code, '?' for a code no file can give.
char typeLetter(std::uint32_t typeCode);
char kindLetter(std::uint32_t kindCode);

} // namespace cellwatch
