#pragma once
// A JUnit XML report of one batch run, for build servers: one test suite for the script, one test
// case per executed check, and an error case when the run could not start or ended badly.

#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

struct JUnitCase {
    enum class Outcome { Passed, Failed, Error };
    std::string name;
    Outcome outcome = Outcome::Passed;
    std::string message; // the failure or error message; empty when passed
    std::string detail;  // the body of <failure> or <error>; the message when empty
};

struct JUnitSuite {
    std::string name;      // the script's file name
    std::string className; // given to every case
    std::vector<JUnitCase> cases;

    int failures() const;
    int errors() const;
};

// Appends text with &, <, >, " and ' escaped, tab and line ends as character references, and bytes
// that XML cannot carry (other control characters, broken UTF-8) replaced by U+FFFD.
void appendXmlEscaped(std::string& out, std::string_view text);

// The whole document, UTF-8, LF line ends.
std::string formatJUnit(const JUnitSuite& suite);

// Writes formatJUnit(suite) to path atomically; false when it could not be written.
bool writeJUnit(const std::string& path, const JUnitSuite& suite);

} // namespace cellwatch
