// Command-line rules: `-` or `/` starts a switch, `run` alone makes a batch run, the last plain
// argument is the command file, and our own switches take the form -name=value.
#include "platform/command_line.h"

#include <array>

namespace cellwatch {
namespace {

enum class Option { Board, Vcd, Log, Junit, Cal };

struct OptionName {
    std::string_view name;
    Option option;
};

constexpr std::array<OptionName, 5> kOptions{{
    {"board", Option::Board},
    {"vcd", Option::Vcd},
    {"log", Option::Log},
    {"junit", Option::Junit},
    {"cal", Option::Cal},
}};

// A slash starts a switch as on the original platform, but absolute paths begin with one here: an
// argument is a slash switch only when its name (before any '=') holds no further slash, so
// "/run" and "/cal=/x/a.cal" are switches while "/home/me/a.cmd" is a file.
bool isSwitch(std::string_view argument) {
    if (argument.empty())
        return false;
    if (argument[0] == '-')
        return true;
    if (argument[0] != '/')
        return false;
    std::string_view name = argument.substr(1);
    name = name.substr(0, name.find('='));
    return name.find('/') == std::string_view::npos;
}

std::string* fieldFor(CommandLine& line, Option option) {
    switch (option) {
    case Option::Board:
        return &line.board;
    case Option::Vcd:
        return &line.vcdFile;
    case Option::Log:
        return &line.logFile;
    case Option::Junit:
        return &line.junitFile;
    case Option::Cal:
        return &line.calFile;
    }
    return nullptr;
}

std::string_view valueHint(Option option) {
    switch (option) {
    case Option::Board:
        return "VALUE";
    case Option::Cal:
        return "PATH";
    default:
        return "FILE";
    }
}

void readSwitch(std::string_view argument, CommandLine& line) {
    const std::string_view name = argument.substr(1); // after the '-' or '/'
    if (name == "run") {
        line.batch = true;
        return;
    }
    if (name == "-help" || name == "help" || name == "h" || name == "?") {
        line.help = true;
        return;
    }
    if (name == "-list-boards" || name == "list-boards") {
        line.listBoards = true;
        return;
    }
    // Our switches also accept the GNU double dash, so "--vcd=out.vcd" is not silently dropped.
    std::string_view body = name;
    if (argument[0] == '-' && !body.empty() && body[0] == '-')
        body.remove_prefix(1);
    const std::size_t equals = body.find('=');
    const std::string_view key = body.substr(0, equals);
    for (const OptionName& known : kOptions) {
        if (key != known.name)
            continue;
        std::string prefix = "-";
        prefix += known.name;
        if (equals == std::string_view::npos) {
            line.warnings.push_back("The switch " + prefix + " needs a value: write " + prefix + "=" +
                                    std::string(valueHint(known.option)) + ".");
            return;
        }
        const std::string_view value = body.substr(equals + 1);
        if (value.empty()) {
            line.warnings.push_back("The switch " + prefix + "= has no value and is ignored.");
            return;
        }
        *fieldFor(line, known.option) = std::string(value);
        return;
    }
    // Any other switch is ignored.
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string_view>& arguments) {
    CommandLine line;
    for (std::string_view argument : arguments) {
        if (argument.empty())
            continue; // an empty argument names no file and must not clear an earlier one
        if (isSwitch(argument))
            readSwitch(argument, line);
        else
            line.commandFile = std::string(argument);
    }
    return line;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr)
            arguments.emplace_back(argv[i]);
    }
    return parseCommandLine(arguments);
}

std::string usageText(std::string_view programName) {
    std::string text = "Usage: ";
    text += programName;
    text += " [FILE]\n       ";
    text += programName;
    text += " -run [-board=VALUE] [-log=FILE] [-vcd=FILE] [-junit=FILE] [-cal=PATH] FILE\n       ";
    text += programName;
    text += " --list-boards\n"
            "\n"
            "Opens FILE (a command script .cmd or a symbol table .sym) in the test bench.\n"
            "With -run the script runs unattended, without a window, and the program quits.\n"
            "\n"
            "  -run            run the script of FILE unattended (batch run)\n"
            "  -board=VALUE    board to use: emulator, emulator:48, emulator:64, emulator:96,\n"
            "                  emulator:128, pci:ADDRESS, pci:PATH or none (else CELLWATCH_BOARD,\n"
            "                  else the \"Board\" setting, else emulator)\n"
            "  -log=FILE       write the result log to FILE (default: FILE of the session + \".log\")\n"
            "  -vcd=FILE       also save the run's trace as a VCD file\n"
            "  -junit=FILE     also write a JUnit XML report of the run\n"
            "  -cal=PATH       CAL file for a session opened from a .sym file\n"
            "  --list-boards   list the boards this program can use, and quit\n"
            "  -h, --help      show this text and quit\n"
            "\n"
            "Switches may also begin with '/' (/run). Other switches are ignored.\n"
            "\n"
            "Exit status of a batch run:\n"
            "  0    the run completed with no errors and no failed checks\n"
            "  1    the run completed with errors or failed checks\n"
            "  2    the run could not start (unreadable file, parse errors, no board)\n"
            "  255  FILE does not exist\n";
    return text;
}

} // namespace cellwatch
