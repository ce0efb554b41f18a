#pragma once
// Keeps the system-maintained parts of a command script in step with the session: the initial
// script, the trace and vector lines of the marked sections, and the clock register and clocking
// method lines. Every edit goes through a TextBuffer and leaves the user's selection where it was.

#include "script/session_modes.h"
#include "script/text_buffer.h"

#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// A group as its vector line names it: the group's full name and its members' full names in order.
struct VectorLineSpec {
    std::string name;
    std::vector<std::string> members;
};

// The error the session logs when AddTraceLine or AddVectorLine returns false.
inline constexpr std::string_view kSectionNotFoundError =
    "Failed to find correct |GRT_ section in the command script.";

// Writes the initial script at the start of the buffer, then one vector line per group and one
// trace line per traced element, puts the caret at the start and clears the modified flag. The date
// is the 24-character text of formatScriptDate. False when a section line could not be added.
bool GenerateInitialScript(TextBuffer& buffer, std::string_view symbolPath, std::string_view calPath,
                           std::string_view date, const std::vector<VectorLineSpec>& groups,
                           const std::vector<std::string>& traces);

// "trace <name>" directly above the first "|GRT_TRACE_END" line; false, changing nothing, without it.
bool AddTraceLine(TextBuffer& buffer, std::string_view name);
// "vector <group> <member> ..." directly above the first "|GRT_VECTOR_END" line; false without it.
bool AddVectorLine(TextBuffer& buffer, const VectorLineSpec& group);

// Deletes the first line whose first token is the command word (any case) and whose second token
// equals the name exactly (case counts). Returns whether a line was deleted.
bool RemoveTraceLine(TextBuffer& buffer, std::string_view name);
bool RemoveVectorLine(TextBuffer& buffer, std::string_view groupName);

// Replaces the first setclockreg line, or else puts one directly below "|GRT_TRACE_END", or else
// at the end of the text.
void SetClockRegLine(TextBuffer& buffer, std::string_view registerName);
// Deletes the first setclockreg line; returns whether there was one. The setclockmode line stays.
bool RemoveClockRegLine(TextBuffer& buffer);

// The keyword written for a clocking method ("NONE", "CBUF_READ", "CBUF_ASSIGN", "REG_OUT"); empty
// for the external clock, which has no line.
std::string_view clockModeKeyword(ClockMethod method);
// Replaces the first setclockmode line, or else puts one directly below the first setclockreg
// line, or else at the end of the text. False, changing nothing, for a method without a keyword.
bool SetClockModeLine(TextBuffer& buffer, ClockMethod method);

} // namespace cellwatch
