#pragma once
// Reads symbol table records from the bytes of a .sym file, token by token. Line breaks carry no
// meaning; '#' starts a comment that runs to the end of its line.

#include "design/symbol_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cellwatch {

class SymbolReader {
public:
    // Identifiers longer than this fail the record instead of being cut or overrunning a buffer.
    static constexpr std::size_t kMaxIdentifier = 1055;

    enum class Result { Record, End, Error };

    explicit SymbolReader(std::string_view text) : m_text(text) {}

    // Reads the next record into a freshly created record. End means the input held nothing but
    // blanks and comments after the last record; Error means the record broke the syntax.
    Result readRecord(SymbolRecord& record);

    std::size_t position() const { return m_pos; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    void skipBlanks();
    bool readLetter(char& letter);
    bool readIdentifier(std::string& out);
    bool readNumber(std::uint32_t& value);
    bool readColumnRecord(SymbolRecord& record);
    bool readCellRecord(SymbolRecord& record);

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace cellwatch
