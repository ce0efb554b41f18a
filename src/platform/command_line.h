#pragma once
// The program's command line: the batch switch `run`, the command file, and our own `-name=value`
// switches. Standard library only, so the session and the batch runner can share it.

#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// What one command line asks for. Empty strings stand for "not given".
struct CommandLine {
    bool batch = false;                // the switch `run` (`-run` or `/run`)
    bool help = false;                 // `--help`, `-h`, `-?` or `/?`
    bool listBoards = false;           // `--list-boards`: print the boards that can be used and quit
    std::string commandFile;           // the last argument that is not a switch
    std::string board;                 // -board=VALUE: overrides CELLWATCH_BOARD and the "Board" setting
    std::string vcdFile;               // -vcd=FILE: write the run's trace as VCD
    std::string logFile;               // -log=FILE: the batch log instead of the script's path + ".log"
    std::string junitFile;             // -junit=FILE: a JUnit XML report of the run
    std::string calFile;               // -cal=PATH: the CAL file of a session opened from a .sym file
    std::vector<std::string> warnings; // our switches written wrongly; the caller decides where they go
};

// Reads the arguments after the program name. Never fails: unknown switches are ignored.
CommandLine parseCommandLine(const std::vector<std::string_view>& arguments);
// argv as main() receives it; argv[0] (the program name) is skipped.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The text for --help, ending with a newline.
std::string usageText(std::string_view programName);

} // namespace cellwatch
