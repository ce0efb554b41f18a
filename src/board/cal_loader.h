#pragma once
// Reads a configuration (CAL) file line by line and writes each address/value pair to the device as
// soon as its line is read, so that a file of any size streams through a fixed buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cellwatch {

class BoardDriver;

enum class CalLine { Skip, Write, Error };

// Why a CAL file was refused: the board error codes say only "cannot open" or "error reading", which
// leaves a user searching a file of thousands of lines.
struct CalProblem {
    int line = 0;       // 1-based line that failed; 0 when the file as a whole failed
    std::string reason; // what is wrong, as the end of a sentence
};

// One line without its line end: blank and comment lines give Skip; two hexadecimal tokens with the
// address at most highestAddress give Write with address and value; anything else gives Error.
CalLine parseCalLine(std::string_view line, std::uint32_t highestAddress, std::uint32_t& address,
                     std::uint32_t& value);

class CalLoader {
public:
    // Longest line that carries data, not counting its line end.
    static constexpr std::size_t kMaxLineLength = 79;

    // The highest device address accepted is the current member's last identification byte.
    explicit CalLoader(BoardDriver& board);

    // Takes the next bytes of the file, in pieces of any size. False once a line has failed; further
    // bytes are then ignored.
    bool feed(std::string_view bytes);
    // The end of the file: takes a last line that has no line end. 0, or 5 when a line failed.
    int finish();
    // After a failure: the line and what is wrong with it.
    const CalProblem& problem() const { return m_problem; }

private:
    void endLine();
    void fail(std::string reason);

    BoardDriver& m_board;
    std::uint32_t m_highestAddress;
    char m_line[kMaxLineLength + 2];
    std::size_t m_length = 0;
    bool m_overlong = false;
    char m_firstChar = 0;
    bool m_failed = false;
    int m_lineNumber = 1;
    CalProblem m_problem;
};

} // namespace cellwatch
