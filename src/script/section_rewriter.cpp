#include "script/section_rewriter.h"

#include "script/scanning.h"
#include "script/script_file.h"

namespace cellwatch {

namespace {

// Saves the user's selection on construction and puts it back on destruction.
class SelectionKeeper {
public:
    explicit SelectionKeeper(TextBuffer& buffer) : m_buffer(buffer) { m_buffer.saveSelection(); }
    ~SelectionKeeper() { m_buffer.restoreSelection(); }
    SelectionKeeper(const SelectionKeeper&) = delete;
    SelectionKeeper& operator=(const SelectionKeeper&) = delete;

private:
    TextBuffer& m_buffer;
};

bool insertAboveMarker(TextBuffer& buffer, std::string_view marker, const std::string& line) {
    SelectionKeeper keep(buffer);
    const int n = findMarkerLine(buffer, marker);
    if (n < 0)
        return false;
    return buffer.insertAt(n, line);
}

bool removeNamedLine(TextBuffer& buffer, std::string_view word, std::string_view name) {
    SelectionKeeper keep(buffer);
    std::string text;
    std::string token;
    const int count = buffer.lineCount();
    for (int n = 0; n < count; ++n) {
        text = buffer.line(n);
        NextToken(text, token);
        if (toLowerAscii(token) != word)
            continue;
        DropToken(text);
        NextToken(text, token);
        if (token == name)
            return buffer.deleteLines(n, 1);
    }
    return false;
}

} // namespace

bool GenerateInitialScript(TextBuffer& buffer, std::string_view symbolPath, std::string_view calPath,
                           std::string_view date, const std::vector<VectorLineSpec>& groups,
                           const std::vector<std::string>& traces) {
    std::string text;
    for (const std::string& line : initialScriptLines(symbolPath, calPath, date)) {
        text += line;
        text += "\r\n";
    }
    buffer.setSelection({});
    buffer.insertAt(0, text);
    bool ok = true;
    for (const VectorLineSpec& group : groups)
        ok = AddVectorLine(buffer, group) && ok;
    for (const std::string& name : traces)
        ok = AddTraceLine(buffer, name) && ok;
    buffer.setSelection({});
    buffer.setModified(false);
    return ok;
}

bool AddTraceLine(TextBuffer& buffer, std::string_view name) {
    std::string line = "trace ";
    line += name;
    line += "\r\n";
    return insertAboveMarker(buffer, kTraceEndMarker, line);
}

bool AddVectorLine(TextBuffer& buffer, const VectorLineSpec& group) {
    std::string line = "vector " + group.name;
    for (const std::string& member : group.members) {
        line += ' ';
        line += member;
    }
    line += "\r\n";
    return insertAboveMarker(buffer, kVectorEndMarker, line);
}

bool RemoveTraceLine(TextBuffer& buffer, std::string_view name) {
    return removeNamedLine(buffer, "trace", name);
}

bool RemoveVectorLine(TextBuffer& buffer, std::string_view groupName) {
    return removeNamedLine(buffer, "vector", groupName);
}

void SetClockRegLine(TextBuffer& buffer, std::string_view registerName) {
    SelectionKeeper keep(buffer);
    int at = findCommandLine(buffer, "setclockreg");
    if (at >= 0) {
        buffer.deleteLines(at, 1);
    } else {
        const int marker = findMarkerLine(buffer, kTraceEndMarker);
        at = marker >= 0 ? marker + 1 : buffer.lineCount();
    }
    std::string line = "setclockreg ";
    line += registerName;
    line += "\r\n";
    buffer.insertAt(at, line);
}

bool RemoveClockRegLine(TextBuffer& buffer) {
    SelectionKeeper keep(buffer);
    const int n = findCommandLine(buffer, "setclockreg");
    return n >= 0 && buffer.deleteLines(n, 1);
}

std::string_view clockModeKeyword(ClockMethod method) {
    switch (method) {
    case ClockMethod::None:
        return "NONE";
    case ClockMethod::CbufRead:
        return "CBUF_READ";
    case ClockMethod::CbufAssign:
        return "CBUF_ASSIGN";
    case ClockMethod::RegOut:
        return "REG_OUT";
    case ClockMethod::External:
        break;
    }
    return {};
}

bool SetClockModeLine(TextBuffer& buffer, ClockMethod method) {
    const std::string_view keyword = clockModeKeyword(method);
    if (keyword.empty())
        return false;
    SelectionKeeper keep(buffer);
    int at = findCommandLine(buffer, "setclockmode");
    if (at >= 0) {
        buffer.deleteLines(at, 1);
    } else {
        const int reg = findCommandLine(buffer, "setclockreg");
        at = reg >= 0 ? reg + 1 : buffer.lineCount();
    }
    std::string line = "setclockmode ";
    line += keyword;
    line += "\r\n";
    return buffer.insertAt(at, line);
}

} // namespace cellwatch
