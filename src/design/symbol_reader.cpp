#include "design/symbol_reader.h"

#include "design/device_geometry.h"

namespace cellwatch {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetterChar(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    switch (c) {
    case '$':
    case '&':
    case '*':
    case '[':
    case '\\':
    case ']':
    case '_':
    case '~':
        return true;
    default:
        return false;
    }
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isNumberChar(char c) {
    return isHexDigit(c) || c == 'X' || c == 'x';
}

unsigned hexValue(char c) {
    if (isDigit(c))
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

// Digits beyond 32 bits saturate rather than wrap, so a huge count can never pass as a small one.
std::uint32_t accumulate(std::uint32_t value, unsigned base, unsigned digit) {
    constexpr std::uint64_t kMax = 0xFFFFFFFFu;
    const std::uint64_t next = static_cast<std::uint64_t>(value) * base + digit;
    return next > kMax ? static_cast<std::uint32_t>(kMax) : static_cast<std::uint32_t>(next);
}

// A token that starts "0x" and a hex digit is hexadecimal; anything else takes its leading decimal
// digits (so 0X1F is 0 and 12AB is 12).
std::uint32_t numberValue(std::string_view token) {
    std::uint32_t value = 0;
    if (token.size() > 2 && token[0] == '0' && token[1] == 'x' && isHexDigit(token[2])) {
        for (std::size_t i = 2; i < token.size() && isHexDigit(token[i]); ++i)
            value = accumulate(value, 16, hexValue(token[i]));
        return value;
    }
    for (std::size_t i = 0; i < token.size() && isDigit(token[i]); ++i)
        value = accumulate(value, 10, static_cast<unsigned>(token[i] - '0'));
    return value;
}

bool typeCodeOf(char letter, std::uint32_t& code) {
    switch (letter) {
    case 'X':
    case 'x':
        code = kTypeX;
        return true;
    case 'R':
    case 'r':
        code = kTypeR;
        return true;
    case 'B':
    case 'b':
        code = kTypeB;
        return true;
    case 'W':
    case 'w':
        code = kTypeW;
        return true;
    default:
        return false;
    }
}

bool kindCodeOf(char letter, std::uint32_t& code) {
    switch (letter) {
    case 'S':
    case 's':
        code = kKindS;
        return true;
    case 'C':
    case 'c':
        code = kKindC;
        return true;
    case 'P':
    case 'p':
        code = kKindP;
        return true;
    default:
        return false;
    }
}

} // namespace

void SymbolReader::skipBlanks() {
    while (!atEnd()) {
        const char c = m_text[m_pos];
        if (isBlank(c)) {
            ++m_pos;
        } else if (c == '#') {
            const std::size_t lf = m_text.find('\n', m_pos);
            m_pos = lf == std::string_view::npos ? m_text.size() : lf + 1;
        } else {
            return;
        }
    }
}

bool SymbolReader::readLetter(char& letter) {
    skipBlanks();
    if (atEnd() || !isLetterChar(m_text[m_pos]))
        return false;
    letter = m_text[m_pos++];
    return true;
}

bool SymbolReader::readIdentifier(std::string& out) {
    skipBlanks();
    if (atEnd() || !isLetterChar(m_text[m_pos]))
        return false;
    const std::size_t start = m_pos;
    while (!atEnd() && (isLetterChar(m_text[m_pos]) || isDigit(m_text[m_pos])))
        ++m_pos;
    if (m_pos - start > kMaxIdentifier)
        return false;
    out.assign(m_text.substr(start, m_pos - start));
    return true;
}

bool SymbolReader::readNumber(std::uint32_t& value) {
    skipBlanks();
    if (atEnd() || !isDigit(m_text[m_pos]))
        return false;
    const std::size_t start = m_pos;
    while (!atEnd() && isNumberChar(m_text[m_pos]))
        ++m_pos;
    value = numberValue(m_text.substr(start, m_pos - start));
    return true;
}

SymbolReader::Result SymbolReader::readRecord(SymbolRecord& record) {
    skipBlanks();
    if (atEnd())
        return Result::End;
    char letter = 0;
    if (!readLetter(letter) || !readIdentifier(record.name))
        return Result::Error;
    bool ok = false;
    if (letter == 'C' || letter == 'c')
        ok = readColumnRecord(record);
    else if (letter == 'S' || letter == 's')
        ok = readCellRecord(record);
    return ok ? Result::Record : Result::Error;
}

bool SymbolReader::readColumnRecord(SymbolRecord& record) {
    if (!readNumber(record.column))
        return false;
    const auto words = static_cast<std::size_t>(RowMask::wordCount());
    std::uint32_t word = 0;
    for (std::size_t i = 0; readNumber(word); ++i) {
        if (i < words && i < record.rowMask.size())
            record.rowMask[i] = word;
    }
    char type = 0;
    if (!readLetter(type))
        return false;
    record.isColumnRecord = true;
    if (!typeCodeOf(type, record.typeCode))
        return false;
    record.kindCode = kKindP;
    return true;
}

bool SymbolReader::readCellRecord(SymbolRecord& record) {
    std::uint32_t count = 0;
    if (!readNumber(count) || count > record.names.size())
        return false;
    record.nameCount = static_cast<std::uint8_t>(count);
    for (std::uint32_t i = 0; i < count; ++i)
        if (!readIdentifier(record.names[i]))
            return false;
    // A missing extra-name count is tolerated: the token stays for the column read.
    std::uint32_t extra = 0;
    if (readNumber(extra)) {
        if (extra > 1)
            return false;
        if (extra == 1 && !readIdentifier(record.extraName))
            return false;
    }
    if (!readNumber(record.column) || !readNumber(record.row))
        return false;
    char type = 0;
    char kind = 0;
    if (!readLetter(type) || !readLetter(kind))
        return false;
    record.isColumnRecord = false;
    if (!typeCodeOf(type, record.typeCode) || !kindCodeOf(kind, record.kindCode))
        return false;
    // The polarity mark must touch the kind letter; anything else stays in the stream.
    if (!atEnd() && (m_text[m_pos] == '!' || m_text[m_pos] == '=')) {
        record.inverted = m_text[m_pos] == '!';
        ++m_pos;
    }
    return true;
}

} // namespace cellwatch
