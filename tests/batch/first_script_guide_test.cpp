// docs/first-script.md is run as a reader would follow it, so the guide cannot drift from the
// program. From a copy of the examples, one shell does what the guide says: a fenced block after
// "<!-- file: NAME -->" is saved as NAME, and every "$ " line of a "console" block is run; what
// each command prints (standard output and error, in order) must be the lines the guide shows
// under it, where a line "..." stands for any number of lines. Other blocks are not run.

#include "batch_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace cellwatch {
namespace {

struct GuideCommand {
    std::string command;
    std::vector<std::string> expected;
    int line = 0; // in the guide, from 1
};

struct Guide {
    std::string script; // for /bin/sh
    std::vector<GuideCommand> commands;
};

constexpr const char* kMarker = "@@guide-command@@";

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Guide readGuide(const std::string& text) {
    Guide guide;
    const std::vector<std::string> lines = test::Lines(text);
    std::string pendingFile;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with("<!-- file: ") && line.ends_with(" -->")) {
            pendingFile = line.substr(11, line.size() - 15);
            continue;
        }
        if (!line.starts_with("```"))
            continue;
        const std::string info = line.substr(3);
        std::vector<std::string> body;
        for (++i; i < lines.size() && !lines[i].starts_with("```"); ++i)
            body.push_back(lines[i]);
        if (!pendingFile.empty()) {
            guide.script += "cat > " + shellQuoted(pendingFile) + " <<'GUIDE_FILE_END'\n";
            for (const std::string& b : body)
                guide.script += b + "\n";
            guide.script += "GUIDE_FILE_END\n";
            pendingFile.clear();
            continue;
        }
        if (info != "console")
            continue;
        const std::size_t first = i - body.size();
        for (std::size_t k = 0; k < body.size(); ++k) {
            if (body[k].starts_with("$ ")) {
                GuideCommand command;
                command.command = body[k].substr(2);
                command.line = static_cast<int>(first + k + 1);
                guide.commands.push_back(command);
                guide.script += std::string("echo ") + kMarker + "\n" + command.command + "\n";
            } else if (!guide.commands.empty()) {
                guide.commands.back().expected.push_back(body[k]);
            }
        }
    }
    return guide;
}

// Whether the lines printed match the lines shown, "..." matching any run of lines.
bool matches(const std::vector<std::string>& shown, std::size_t s, const std::vector<std::string>& printed,
             std::size_t p) {
    if (s == shown.size())
        return p == printed.size();
    if (shown[s] == "...") {
        for (std::size_t q = p; q <= printed.size(); ++q)
            if (matches(shown, s + 1, printed, q))
                return true;
        return false;
    }
    return p < printed.size() && printed[p] == shown[s] && matches(shown, s + 1, printed, p + 1);
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += "    " + line + "\n";
    return out;
}

class FirstScriptGuideTest : public test::BatchFolderTest {};

TEST_F(FirstScriptGuideTest, CommandsPrintWhatTheGuideShows) {
    const Guide guide = readGuide(test::ReadText(std::filesystem::path(CELLWATCH_SOURCE_DIR) / "docs/first-script.md"));
    ASSERT_GE(guide.commands.size(), 5u) << "the guide has lost its commands";

    // The reader's clone: the examples, and the program on the PATH as the guide has it.
    const std::filesystem::path clone = dir / "clone";
    std::filesystem::create_directories(clone);
    std::filesystem::copy(std::filesystem::path(CELLWATCH_SOURCE_DIR) / "examples", clone / "examples");
    const std::string program = CELLWATCH_PROGRAM;
    std::string script = "exec 2>&1\n";
    script += "cd " + shellQuoted(clone.string()) + " || exit 99\n";
    script += "PATH=" + shellQuoted(std::filesystem::path(program).parent_path().string()) + ":$PATH\n";
    // Never the user's settings or cache; the board is the program's default.
    script += "export CELLWATCH_SETTINGS=" + shellQuoted((dir / "settings.ini").string()) + "\n";
    script += "export XDG_CACHE_HOME=" + shellQuoted((dir / "cache").string()) + "\n";
    script += "unset CELLWATCH_BOARD\n";
    script += guide.script;
    test::WriteText(dir / "guide.sh", script);

    std::string printed;
    FILE* shell = ::popen(("/bin/sh " + shellQuoted((dir / "guide.sh").string())).c_str(), "r");
    ASSERT_NE(shell, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, shell)) > 0;)
        printed.append(buffer, n);
    ::pclose(shell);

    // Split what was printed at the markers, one part per command; CRs of the log's line ends go.
    std::vector<std::vector<std::string>> parts;
    for (std::string line : test::Lines(printed)) {
        if (line == kMarker) {
            parts.emplace_back();
            continue;
        }
        ASSERT_FALSE(parts.empty()) << "printed before the first command: " << line;
        parts.back().push_back(line);
    }
    ASSERT_EQ(parts.size(), guide.commands.size()) << printed;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const GuideCommand& c = guide.commands[i];
        EXPECT_TRUE(matches(c.expected, 0, parts[i], 0))
            << "docs/first-script.md line " << c.line << ": $ " << c.command << "\nthe guide shows:\n"
            << joined(c.expected) << "the program printed:\n"
            << joined(parts[i]);
    }
}

} // namespace
} // namespace cellwatch
