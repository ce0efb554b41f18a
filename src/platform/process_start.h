#pragma once
// Starts a program from one command line and leaves it running on its own (the wave viewer). The
// line is split with shell-like quoting, so a program path with blanks must be quoted.

#include <string>
#include <vector>

namespace cellwatch {

struct StartStatus {
    bool ok = false;
    long long processId = 0;
    std::string error; // empty when ok
};

// The words of a command line: blanks separate, double quotes group, tripled quotes give one quote.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Starts the first word as the program with the other words as its arguments, in the current
// working folder and environment, and does not wait for it.
StartStatus startDetached(const std::string& commandLine);

} // namespace cellwatch
