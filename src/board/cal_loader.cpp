#include "board/cal_loader.h"

#include "board/board_driver.h"
#include "board/board_errors.h"
#include "common/file_text.h"
#include "design/device_geometry.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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

std::string hexText(std::uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    return text;
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
        if (!blankOrComment)
            fail("the line is longer than " + std::to_string(kMaxLineLength) + " characters");
    } else {
        std::uint32_t address = 0;
        std::uint32_t value = 0;
        switch (parseCalLine(std::string_view(m_line, length), m_highestAddress, address, value)) {
        case CalLine::Skip:
            break;
        case CalLine::Write:
            m_board.writeDeviceWord(address, value);
            break;
        case CalLine::Error: {
            std::size_t pos = 0;
            const std::string_view line(m_line, length);
            const std::string_view first = nextToken(line, pos);
            const std::string_view second = nextToken(line, pos);
            if (second.empty())
                fail("the line holds an address without a value");
            else if (parseHex(first, address) && parseHex(second, value))
                fail("the address is past the device's highest address " + hexText(m_highestAddress));
            else
                fail("the line is not two hexadecimal numbers (address and value)");
            break;
        }
        }
    }
    m_length = 0;
    m_overlong = false;
    m_firstChar = 0;
    ++m_lineNumber;
}

void CalLoader::fail(std::string reason) {
    m_failed = true;
    m_problem.line = m_lineNumber;
    m_problem.reason = std::move(reason);
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

int BoardDriver::loadConfiguration(const char* path, CalProblem* problem) {
    CalProblem ignored;
    CalProblem& report = problem != nullptr ? *problem : ignored;
    report = {};
    if (path == nullptr) {
        report.reason = "no file was named";
        return kBoardCalNotFound;
    }
    const int fd = openInputFile(path, &report.reason);
    if (fd < 0) {
        // A folder opens on this platform and then fails to read: it always counted as a read error.
        return report.reason == "is a folder" || report.reason.starts_with("is larger than")
                   ? kBoardCalReadError
                   : kBoardCalNotFound;
    }
    CalLoader loader(*this);
    std::array<char, 16384> buffer;
    bool readError = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readError = true;
            report.reason = std::string("the file cannot be read (") + std::strerror(errno) + ")";
            break;
        }
        if (n == 0 || !loader.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n))))
            break;
    }
    ::close(fd);
    // A file that cannot be read to its end (an I/O error) is not a successful load.
    if (readError)
        return kBoardCalReadError;
    const int code = loader.finish();
    if (code != kBoardNoError)
        report = loader.problem();
    return code;
}

} // namespace cellwatch
