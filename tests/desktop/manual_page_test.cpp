// The manual page is written by hand beside --help; these tests keep the two saying the same.
#include "board/board_selection.h"
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace cellwatch {
namespace {

std::string readSource() {
    std::ifstream in(std::string(CELLWATCH_SOURCE_DIR) + "/docs/man/cellwatch.1.scd");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// The page's text with its markup gone: *bold*, _underline_ and backslash escapes.
std::string plain(const std::string& marked) {
    std::string text;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        if (marked[i] == '\\' && i + 1 < marked.size())
            text += marked[++i];
        else if (marked[i] != '*' && marked[i] != '_')
            text += marked[i];
    }
    return text;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(", ", start)) != std::string::npos; start = comma + 2)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The lines of one "# NAME" section of the page.
std::vector<std::string> section(const std::string& name) {
    std::vector<std::string> body;
    bool inside = false;
    for (const std::string& line : lines(readSource())) {
        if (line.rfind("# ", 0) == 0) {
            inside = line == "# " + name;
            continue;
        }
        if (inside)
            body.push_back(line);
    }
    return body;
}

// A list section's entries: the lines that are not indented, each split at its commas.
std::set<std::string> entries(const std::string& name) {
    std::set<std::string> result;
    for (const std::string& line : section(name)) {
        if (line.empty() || line[0] == '\t')
            continue;
        for (const std::string& entry : splitCommas(plain(line)))
            result.insert(entry);
    }
    return result;
}

// The paragraphs of a section, each joined into one line and without markup.
std::vector<std::string> paragraphs(const std::string& name) {
    std::vector<std::string> result;
    std::string paragraph;
    for (const std::string& line : section(name)) {
        if (line.empty()) {
            if (!paragraph.empty())
                result.push_back(plain(paragraph));
            paragraph.clear();
        } else {
            paragraph += paragraph.empty() ? line : " " + line;
        }
    }
    if (!paragraph.empty())
        result.push_back(plain(paragraph));
    return result;
}

// The help text's lines that start with two blanks and then `first`, up to the next two blanks.
std::set<std::string> helpColumn(const std::string& help, char first) {
    std::set<std::string> result;
    for (const std::string& line : lines(help)) {
        if (line.size() < 3 || line.rfind("  ", 0) != 0 || line[2] != first)
            continue;
        const std::string column = line.substr(2, line.find("  ", 2) - 2);
        for (const std::string& entry : splitCommas(column))
            result.insert(entry);
    }
    return result;
}

TEST(ManualPageTest, ListsTheSwitchesOfTheHelpTextAsTheyAreWritten) {
    const std::set<std::string> help = helpColumn(usageText("cellwatch"), '-');
    ASSERT_TRUE(help.count("-board=VALUE") == 1 && help.count("--help") == 1) << "help text layout changed";
    EXPECT_EQ(entries("OPTIONS"), help);
}

TEST(ManualPageTest, SynopsisHoldsEveryUsageLine) {
    const std::vector<std::string> synopsis = paragraphs("SYNOPSIS");
    std::string help = usageText("cellwatch");
    help = help.substr(0, help.find("\n\n"));
    int found = 0;
    for (std::string line : lines(help)) {
        line = line.substr(line.find("cellwatch"));
        EXPECT_NE(std::find(synopsis.begin(), synopsis.end(), line), synopsis.end()) << line;
        ++found;
    }
    EXPECT_GE(found, 3);
}

TEST(ManualPageTest, ListsEveryExitStatusOfTheHelpTextAndTheSignals) {
    std::set<std::string> help;
    for (char digit = '0'; digit <= '9'; ++digit) {
        const std::set<std::string> column = helpColumn(usageText("cellwatch"), digit);
        for (const std::string& status : column)
            help.insert(status.substr(0, status.find(' ')));
    }
    ASSERT_EQ(help, (std::set<std::string>{"0", "1", "2", "255"}));
    const std::set<std::string> page = entries("EXIT STATUS");
    for (const std::string& status : help)
        EXPECT_EQ(page.count(status), 1u) << status;
    // 128 + SIGINT and 128 + SIGTERM, which --help does not list.
    EXPECT_EQ(page.count("130"), 1u);
    EXPECT_EQ(page.count("143"), 1u);
}

TEST(ManualPageTest, NamesTheVariablesTheProgramReads) {
    const std::set<std::string> page = entries("ENVIRONMENT");
    for (const std::string& variable : {std::string(kBoardEnvironmentVariable), std::string("CELLWATCH_SETTINGS"),
                                       std::string("DISPLAY"), std::string("WAYLAND_DISPLAY")})
        EXPECT_EQ(page.count(variable), 1u) << variable;
}

} // namespace
} // namespace cellwatch
