#include "board/cal_loader.h"

#include "board/board_driver.h"
#include "board/board_errors.h"
#include "design/device_geometry.h"

#include <array>
#include <cstdio>

namespace cellwatch {

namespace {

// CR is a separator too, so that files with CR LF line ends read as they do where the line end is
// taken off by the C library.
bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Unsigned hexadecimal with an optional 0x prefix, up to the first non-digit. A token with no digit at
// all is not a number, and a value past 32 bits overflows.
bool parseHex(std::string_view token, std::uint32_t& out) {
    std::size_t i = 0;
    bool anyDigit = false;
    if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        i = 2;
        anyDigit = true; // "0x" alone reads as the 0 before the x
    }
    std::uint64_t value = 0;
    for (; i < token.size(); ++i) {
        const int d = hexDigit(token[i]);
        if (d < 0)
            break;
        anyDigit = true;
        value = value << 4 | static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFu)
            return false;
    }
    out = static_cast<std::uint32_t>(value);
    return anyDigit;
}

std::string_view nextToken(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && isSeparator(line[pos]))
        ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !isSeparator(line[pos]))
        ++pos;
    return line.substr(start, pos - start);
}

} // namespace

CalLine parseCalLine(std::string_view line, std::uint32_t highestAddress, std::uint32_t& address,
                     std::uint32_t& value) {
    std::size_t pos = 0;
    const std::string_view first = nextToken(line, pos);
    if (first.empty() || first[0] == '#')
        return CalLine::Skip;
    const std::string_view second = nextToken(line, pos);
    if (second.empty())
        return CalLine::Error;
    if (!parseHex(first, address) || !parseHex(second, value) || address > highestAddress)
        return CalLine::Error;
    return CalLine::Write;
}

CalLoader::CalLoader(BoardDriver& board)
    : m_board(board), m_highestAddress(idArea() + static_cast<std::uint32_t>(idLength()) - 1u) {}

bool CalLoader::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (m_failed)
            return false;
        if (c == '\n') {
            endLine();
            continue;
        }
        if (m_firstChar == 0 && !isSeparator(c))
            m_firstChar = c == 0 ? '\x01' : c;
        if (m_length < sizeof m_line)
            m_line[m_length++] = c;
        else
            m_overlong = true;
    }
    return !m_failed;
}

void CalLoader::endLine() {
    std::size_t length = m_length;
    if (length > 0 && m_line[length - 1] == '\r')
        --length;
    const bool overlong = m_overlong || length > kMaxLineLength;
    const bool blankOrComment = m_firstChar == 0 || m_firstChar == '#';
    if (overlong) {
        // A data line cut short could write a wrong value, so it is refused; a long comment is harmless.
        m_failed = !blankOrComment;
    } else {
        std::uint32_t address = 0;
        std::uint32_t value = 0;
        switch (parseCalLine(std::string_view(m_line, length), m_highestAddress, address, value)) {
        case CalLine::Skip:
            break;
        case CalLine::Write:
            m_board.writeDeviceWord(address, value);
            break;
        case CalLine::Error:
            m_failed = true;
            break;
        }
    }
    m_length = 0;
    m_overlong = false;
    m_firstChar = 0;
}

int CalLoader::finish() {
    if (!m_failed && (m_length > 0 || m_overlong))
        endLine();
    return m_failed ? kBoardCalReadError : kBoardNoError;
}

int BoardDriver::loadConfigurationText(std::string_view text) {
    CalLoader loader(*this);
    loader.feed(text);
    return loader.finish();
}

int BoardDriver::loadConfiguration(const char* path) {
    if (path == nullptr)
        return kBoardCalNotFound;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return kBoardCalNotFound;
    CalLoader loader(*this);
    std::array<char, 16384> buffer;
    bool going = true;
    while (going) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
        if (n > 0)
            going = loader.feed(std::string_view(buffer.data(), n));
        if (n < buffer.size())
            break;
    }
    // A file that cannot be read to its end (a folder, an I/O error) is not a successful load.
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    const int code = loader.finish();
    return readError ? kBoardCalReadError : code;
}

} // namespace cellwatch
